#include "renderer/resources.h"

#include "kernel/exceptions.h"
#include "renderer/dds.h"
#include "renderer/gl.h"
#include "renderer/scene.h"
#include "platform/debug_output.h"

#include <array>

namespace Zorva::Renderer {
namespace {

const std::array<VertexFormat, 4>& Formats()
{
    static const std::array<VertexFormat, 4> formats = {
        VertexFormat{u"font", {{"POSITION", 4}, {"COLOR", 4}}, 32},
        VertexFormat{u"image", {{"POSITION", 3}, {"TEXCOORD", 2}}, 20},
        VertexFormat{u"plain", {{"POSITION", 3}, {"NORMAL", 3}}, 24},
        VertexFormat{u"tex", {{"POSITION", 3}, {"NORMAL", 3}, {"TEXCOORD", 2}}, 32},
    };
    return formats;
}

std::u16string Ascii(const char* text)
{
    std::u16string out;
    for (const char* p = text; *p != '\0'; ++p)
        out.push_back(static_cast<unsigned char>(*p));
    return out;
}

GLenum TargetOf(TextureKind kind)
{
    switch (kind) {
    case TextureKind::Tex1D: return GL_TEXTURE_1D;
    case TextureKind::Tex1DArray: return GL_TEXTURE_1D_ARRAY;
    case TextureKind::Tex2D: return GL_TEXTURE_2D;
    case TextureKind::Tex2DArray: return GL_TEXTURE_2D_ARRAY;
    case TextureKind::Cube: return GL_TEXTURE_CUBE_MAP;
    case TextureKind::CubeArray: return GL_TEXTURE_CUBE_MAP_ARRAY;
    case TextureKind::Tex3D: return GL_TEXTURE_3D;
    }
    return GL_TEXTURE_2D;
}

TextureRef CreateTexture(const TextureData& d, const std::u16string& name)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    const GLenum target = TargetOf(d.kind);
    GLuint id = 0;
    glCreateTextures(target, 1, &id);
    const auto levels = static_cast<GLsizei>(d.levels);
    const auto w = static_cast<GLsizei>(d.width), h = static_cast<GLsizei>(d.height);
    switch (d.kind) {
    case TextureKind::Tex1D: glTextureStorage1D(id, levels, d.internalFormat, w); break;
    case TextureKind::Tex1DArray: glTextureStorage2D(id, levels, d.internalFormat, w, static_cast<GLsizei>(d.layers)); break;
    case TextureKind::Tex2D:
    case TextureKind::Cube: glTextureStorage2D(id, levels, d.internalFormat, w, h); break;
    case TextureKind::Tex2DArray:
    case TextureKind::CubeArray: glTextureStorage3D(id, levels, d.internalFormat, w, h, static_cast<GLsizei>(d.layers)); break;
    case TextureKind::Tex3D: glTextureStorage3D(id, levels, d.internalFormat, w, h, static_cast<GLsizei>(d.depth)); break;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const TextureImage& image : d.images) {
        const void* pixels = d.bytes.data() + image.offset;
        const auto iw = static_cast<GLsizei>(image.width), ih = static_cast<GLsizei>(image.height);
        const auto level = static_cast<GLint>(image.level), layer = static_cast<GLint>(image.layer);
        const auto bytes = static_cast<GLsizei>(image.size);
        switch (d.kind) {
        case TextureKind::Tex1D:
            if (d.compressed)
                glCompressedTextureSubImage1D(id, level, 0, iw, d.internalFormat, bytes, pixels);
            else
                glTextureSubImage1D(id, level, 0, iw, d.format, d.type, pixels);
            break;
        case TextureKind::Tex1DArray:
        case TextureKind::Tex2D: {
            const GLint y = d.kind == TextureKind::Tex1DArray ? layer : 0;
            const GLsizei hh = d.kind == TextureKind::Tex1DArray ? 1 : ih;
            if (d.compressed)
                glCompressedTextureSubImage2D(id, level, 0, y, iw, hh, d.internalFormat, bytes, pixels);
            else
                glTextureSubImage2D(id, level, 0, y, iw, hh, d.format, d.type, pixels);
            break;
        }
        case TextureKind::Tex2DArray:
        case TextureKind::Cube:
        case TextureKind::CubeArray:
        case TextureKind::Tex3D: {
            const GLint z = d.kind == TextureKind::Tex3D ? 0 : layer;
            const auto depth = static_cast<GLsizei>(d.kind == TextureKind::Tex3D ? image.depth : 1);
            if (d.compressed)
                glCompressedTextureSubImage3D(id, level, 0, 0, z, iw, ih, depth, d.internalFormat, bytes, pixels);
            else
                glTextureSubImage3D(id, level, 0, 0, z, iw, ih, depth, d.format, d.type, pixels);
            break;
        }
        }
    }
    glTextureParameteri(id, GL_TEXTURE_BASE_LEVEL, 0);
    glTextureParameteri(id, GL_TEXTURE_MAX_LEVEL, levels - 1);
    if (d.integer || d.levels == 1) {
        // Integer textures are complete only with nearest filtering; single-level ones need no mips.
        glTextureParameteri(id, GL_TEXTURE_MIN_FILTER, d.integer ? GL_NEAREST : GL_LINEAR);
        glTextureParameteri(id, GL_TEXTURE_MAG_FILTER, d.integer ? GL_NEAREST : GL_LINEAR);
    }
    static const GLenum swizzles[4] = {GL_TEXTURE_SWIZZLE_R, GL_TEXTURE_SWIZZLE_G, GL_TEXTURE_SWIZZLE_B,
                                       GL_TEXTURE_SWIZZLE_A};
    for (int i = 0; i < 4; ++i)
        if (d.swizzle[i] != 0)
            glTextureParameteri(id, swizzles[i], d.swizzle[i]);
    if (id == 0 || glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &id);
        throw Exception::Driver3DFailed(E_FAIL, u"Create Tex: " + name);
    }
    return std::make_shared<GpuTexture>(id, target, d.width, d.height, d.integer);
}

ShaderRef CompileShader(GLenum stage, const std::string& source, const std::u16string& failure)
{
    const GLuint id = glCreateShader(stage);
    const char* text = source.c_str();
    const auto length = static_cast<GLint>(source.size());
    glShaderSource(id, 1, &text, &length);
    glCompileShader(id);
    GLint ok = GL_FALSE;
    glGetShaderiv(id, GL_COMPILE_STATUS, &ok);
    if (id == 0 || ok != GL_TRUE) {
        char log[2048] = {};
        glGetShaderInfoLog(id, sizeof log, nullptr, log);
        glDeleteShader(id);
        Platform::DebugOutput(std::string("Shader log: ") + log + "\n");
        throw Exception::Driver3DFailed(E_FAIL, failure);
    }
    return std::make_shared<GpuShader>(id, stage);
}

} // namespace

GpuBuffer::~GpuBuffer()
{
    glDeleteBuffers(1, &id);
}

GpuTexture::~GpuTexture()
{
    glDeleteTextures(1, &id);
}

GpuShader::~GpuShader()
{
    glDeleteShader(id);
}

const VertexFormat* FindVertexFormat(std::u16string_view name)
{
    for (const VertexFormat& f : Formats())
        if (f.name == name)
            return &f;
    return nullptr;
}

ConstantBuffer::ConstantBuffer(std::uint32_t slot, std::uint32_t bytes, std::uint64_t stages)
    : slot_(slot), stages_(stages)
{
    Kernel::CDirect3DSingleton::SlotBuffer& b = Kernel::SceneRoot()->constantBuffers.at(slot);
    if (b.id == 0) {
        glCreateBuffers(1, &b.id);
        glNamedBufferData(b.id, bytes, nullptr, GL_STREAM_DRAW);
        if (b.id == 0 || glGetError() != GL_NO_ERROR)
            throw Exception::Driver3DFailed(E_FAIL, u"CreConstIBuf");
        b.size = bytes;
    }
}

std::uint32_t ConstantBuffer::Size() const
{
    return Kernel::SceneRoot()->constantBuffers[slot_].size;
}

void ConstantBuffer::Update(const void* data)
{
    const Kernel::CDirect3DSingleton::SlotBuffer& b = Kernel::SceneRoot()->constantBuffers[slot_];
    // A fresh store for each update, like a discarding write: draws already queued keep theirs.
    glNamedBufferData(b.id, b.size, data, GL_STREAM_DRAW);
    const bool bind = RenderPass == kPassDepth ? (stages_ & (kVertexDepth | kPixelDepth)) != 0
                                               : (stages_ & (kVertexMain | kPixelMain)) != 0;
    if (bind)
        glBindBufferBase(GL_UNIFORM_BUFFER, slot_, b.id);
}

CUploadQueue& CUploadQueue::Instance()
{
    static CUploadQueue queue;
    return queue;
}

void CUploadQueue::Push(Job job)
{
    std::lock_guard lock(mutex_);
    jobs_.emplace_back(generation_.load(), std::move(job));
}

size_t CUploadQueue::Drain(Kernel::CDirect3DSingleton& root)
{
    std::vector<std::pair<std::uint64_t, Job>> jobs;
    {
        std::lock_guard lock(mutex_);
        jobs.swap(jobs_);
    }
    size_t ran = 0;
    const std::uint64_t current = generation_.load();
    // A failing job has reported itself; the program is going down, so the rest are dropped.
    for (auto& [generation, job] : jobs) {
        if (generation != current)
            continue;
        job(root);
        ++ran;
    }
    return ran;
}

void CUploadQueue::NewDevice()
{
    std::lock_guard lock(mutex_);
    generation_.fetch_add(1);
    jobs_.clear();
}

MeshRecord UploadMesh(const void* indices, std::uint32_t indexCount, std::uint32_t indexFormat,
                      const void* vertices, size_t vertexBytes)
{
    MeshRecord record;
    record.indexCount = indexCount;
    record.indexFormat = indexFormat;
    GLuint vb = 0, ib = 0;
    glCreateBuffers(1, &vb);
    glNamedBufferStorage(vb, static_cast<GLsizeiptr>(vertexBytes > 0 ? vertexBytes : 1), vertexBytes > 0 ? vertices : nullptr, 0);
    if (vb == 0 || glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &vb);
        throw Exception::Driver3DFailed(E_FAIL, u"Mesh Vert");
    }
    record.vertexBuffer = std::make_shared<GpuBuffer>(vb);
    const size_t indexBytes = static_cast<size_t>(indexCount) * (indexFormat == kIndex16 ? 2 : 4);
    glCreateBuffers(1, &ib);
    glNamedBufferStorage(ib, static_cast<GLsizeiptr>(indexBytes > 0 ? indexBytes : 1), indexBytes > 0 ? indices : nullptr, 0);
    if (ib == 0 || glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &ib);
        throw Exception::Driver3DFailed(E_FAIL, u"Mesh Ind");
    }
    record.indexBuffer = std::make_shared<GpuBuffer>(ib);
    return record;
}

void HandleTexturePayload(const std::u16string& name, const std::uint8_t* data, size_t size)
{
    if (!CUploadQueue::Instance().Accepting())
        return;
    auto texture = std::make_shared<TextureData>();
    const HRESULT hr = ReadDds(data, size, *texture);
    if (Failed(hr))
        throw Exception::Driver3DFailed(hr, u"Create Tex: " + name);
    CUploadQueue::Instance().Push([name, texture](Kernel::CDirect3DSingleton& root) {
        if (!root.textures.Find(name))
            root.textures.Insert(name, CreateTexture(*texture, name));
    });
}

HRESULT CreateArtTexture(const std::u16string& name, const std::uint8_t* data, size_t size)
{
    if (!CUploadQueue::Instance().Accepting())
        return S_OK;
    auto texture = std::make_shared<TextureData>();
    if (const HRESULT hr = ReadDds(data, size, *texture); Failed(hr))
        return hr;
    CUploadQueue::Instance().Push([name, texture](Kernel::CDirect3DSingleton& root) {
        if (!root.textures.Find(name))
            root.textures.Insert(name, CreateTexture(*texture, name));
    });
    return S_OK;
}

void HandleMeshPayload(const std::u16string& name, const std::uint8_t* data, size_t size)
{
    if (!CUploadQueue::Instance().Accepting())
        return;
    if (data == nullptr || size < 8)
        throw Exception::Driver3DFailed(E_FAIL, u"Mesh Ind");
    const std::uint32_t count = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    const std::uint32_t format = data[4] | (data[5] << 8) | (data[6] << 16) | (static_cast<std::uint32_t>(data[7]) << 24);
    const std::uint64_t indexBytes = static_cast<std::uint64_t>(count) * (format == kIndex16 ? 2 : 4);
    // A payload shorter than its indices is damaged; nothing past its end is read.
    if (8 + indexBytes > size)
        throw Exception::Driver3DFailed(E_FAIL, u"Mesh Ind");
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(data, data + size);
    CUploadQueue::Instance().Push([name, bytes, count, format, indexBytes](Kernel::CDirect3DSingleton& root) {
        if (root.meshes.Find(name))
            return;
        const std::uint8_t* p = bytes->data();
        root.meshes.Insert(name, UploadMesh(p + 8, count, format == kIndex16 ? kIndex16 : kIndex32,
                                            p + 8 + indexBytes, bytes->size() - 8 - indexBytes));
    });
}

void HandleVertexShaderPayload(const std::u16string& name, const std::uint8_t* data, size_t size)
{
    if (!CUploadQueue::Instance().Accepting())
        return;
    size_t zero = 0;
    while (zero < size && data[zero] != 0)
        ++zero;
    if (zero >= size)
        throw Exception::Driver3DFailed(E_FAIL, u"VS Create: " + name);
    const std::u16string formatName = Ascii(std::string(reinterpret_cast<const char*>(data), zero).c_str());
    const VertexFormat* format = FindVertexFormat(formatName);
    if (format == nullptr)
        throw Exception::Driver3DFailed(E_FAIL, u"CreLayout");
    std::string source(reinterpret_cast<const char*>(data + zero + 1), size - zero - 1);
    CUploadQueue::Instance().Push([name, formatName, format, source](Kernel::CDirect3DSingleton& root) {
        if (root.vertexShaders.Find(name))
            return;
        ShaderRef shader = CompileShader(GL_VERTEX_SHADER, source, u"VS Create: " + name);
        InputLayout* layout = nullptr;
        {
            std::lock_guard lock(root.inputLayouts.Mutex());
            auto& map = root.inputLayouts.Map();
            auto it = map.find(formatName);
            if (it == map.end())
                it = map.emplace(formatName, std::make_unique<InputLayout>(InputLayout{format})).first;
            layout = it->second.get();
        }
        root.vertexShaders.Insert(name, VertexShaderRecord{shader, layout, formatName});
    });
}

void HandlePixelShaderPayload(const std::u16string& name, const std::uint8_t* data, size_t size)
{
    if (!CUploadQueue::Instance().Accepting())
        return;
    std::string source(reinterpret_cast<const char*>(data), size);
    CUploadQueue::Instance().Push([name, source](Kernel::CDirect3DSingleton& root) {
        if (!root.pixelShaders.Find(name))
            root.pixelShaders.Insert(name, CompileShader(GL_FRAGMENT_SHADER, source, u"PS Create"));
    });
}

} // namespace Zorva::Renderer
