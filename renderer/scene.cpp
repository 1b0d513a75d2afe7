#include "renderer/scene.h"

#include "kernel/config.h"
#include "kernel/exceptions.h"
#include "kernel/persistent_singleton.h"
#include "renderer/device.h"
#include "renderer/gl.h"

#include <numbers>

namespace Zorva::Renderer {
namespace {

const ShaderPair kShaderTable[kShaderCount] = {
    {u"blank_tex", u"blank_tex", -1},    {u"color_button", u"color_button", -1}, {u"crayon", u"crayon", 15},
    {u"font", u"font", 13},              {u"iconic", u"iconic", -1},             {u"raw_tex", u"raw_tex", -1},
    {u"raw_tex", u"logo", -1},           {u"metal_border", u"metal", 12},        {u"metal_hr", u"metal", 14},
    {u"paper", u"paper", 15},            {u"post", u"post", -1},                 {u"wallpaper", u"wood_tex", -1},
    {u"shadow_border", u"shadow", -1},   {u"shadow_font", u"shadow_font", -1},   {u"shadow_hr", u"shadow", -1},
    {u"shadow", u"shadow", -1},          {u"shadow_tex", u"shadow", -1},         {u"ghost", u"ghost", -1},
};

// The binding caches of the render thread.
std::uint32_t g_lastVertexBuffer = 0;
const GpuShader* g_lastVs = nullptr;
const GpuShader* g_lastPs = nullptr;
const InputLayout* g_lastLayout = nullptr;

SceneView g_view;

Kernel::CDirect3DSingleton& Root()
{
    return *Kernel::SceneRoot();
}

// Fills a pair from the stores; a name without a shader leaves that side empty.
void LookUpPair(int index, ShaderRef& vs, ShaderRef& ps, InputLayout** layout)
{
    const ShaderPair& pair = kShaderTable[index];
    if (std::u16string_view(pair.vertex) == u"ghost")
        return;
    Kernel::CDirect3DSingleton& root = Root();
    if (auto record = root.vertexShaders.Find(pair.vertex)) {
        vs = record->shader;
        if (layout != nullptr)
            *layout = record->layout;
    }
    if (auto shader = root.pixelShaders.Find(pair.pixel))
        ps = *shader;
}

} // namespace

std::uint32_t RenderPass = kPassMain;

const ShaderPair& ShaderTableEntry(int index)
{
    return kShaderTable[index];
}

void ResetBindingCaches()
{
    g_lastVertexBuffer = 0;
    g_lastVs = nullptr;
    g_lastPs = nullptr;
    g_lastLayout = nullptr;
}

void CZorvaSetBlendState::Render()
{
    glEnable(GL_BLEND);
}

void CZorvaResetBlendState::Render()
{
    glDisable(GL_BLEND);
}

void CWorldGrCombine::Add(CZorva* child)
{
    if (child == nullptr)
        throw Exception::NoDataFound(E_FAIL, u"Renderer");
    children_.push_back(child);
}

void CWorldGrCombine::Render()
{
    auto& stack = Root().matrixStack;
    Matrix m = stack.back();
    Transform(m);
    stack.push_back(m);
    for (size_t i = 0; i < children_.size(); ++i)
        if (children_[i]->IsVisible())
            children_[i]->Render();
    stack.pop_back();
}

void CWorldGrCombine::Prune()
{
    for (CZorva* child : children_)
        child->Prune();
    std::erase_if(children_, [](CZorva* child) { return child->IsOneShotOffscreen(); });
}

CZorvaShaderGeneric0::CZorvaShaderGeneric0(int shaderIndex, const std::u16string& meshName)
    : depthBuffer_(0, 64, kVertexDepth), mainBuffer_(2, 128, kVertexMain)
{
    if (meshName != u"ghost") {
        const auto mesh = Root().meshes.Find(meshName);
        if (!mesh)
            throw Exception::NoDataFound(E_FAIL, u"Mesh: " + meshName);
        SetMesh(*mesh);
    }
    LookUpPair(shaderIndex, main_.vs, main_.ps, &layout_);
    const int depthIndex = kShaderTable[shaderIndex].depthIndex;
    if (Root().shadows && depthIndex >= 0)
        LookUpPair(depthIndex, depth_.vs, depth_.ps, nullptr);
    if (layout_ != nullptr && layout_->format != nullptr)
        stride_ = layout_->format->stride;
}

CZorvaShaderGeneric0::~CZorvaShaderGeneric0()
{
    // The caches must not keep a name GL may hand out again.
    if (vertexBuffer_ && g_lastVertexBuffer == vertexBuffer_->id)
        g_lastVertexBuffer = 0;
}

void CZorvaShaderGeneric0::SetMesh(const MeshRecord& mesh)
{
    if (vertexBuffer_ && g_lastVertexBuffer == vertexBuffer_->id)
        g_lastVertexBuffer = 0;
    indexBuffer_ = mesh.indexBuffer;
    vertexBuffer_ = mesh.vertexBuffer;
    indexCount_ = mesh.indexCount;
    indexFormat_ = mesh.indexFormat;
}

bool CZorvaShaderGeneric0::BindPair(const Pair& pair)
{
    if (!pair.vs)
        return false;
    if (pair.vs.get() != g_lastVs || pair.ps.get() != g_lastPs) {
        glUseProgram(Root().Program(pair.vs.get(), pair.ps.get()));
        g_lastVs = pair.vs.get();
        g_lastPs = pair.ps.get();
    }
    return true;
}

void CZorvaShaderGeneric0::Render()
{
    Matrix m = Root().matrixStack.back();
    Transform(m);
    const bool offscreenOnly = IsOneShotOffscreen() || (OverridesOffscreen() && IsOffscreen());
    auto lightStep = [&] {
        depthData_ = Transpose(m * g_view.lightViewProjection);
        depthBuffer_.Update(&depthData_);
    };
    switch (RenderPass) {
    case kPassMain: {
        if (offscreenOnly || !BindPair(main_))
            return;
        const Matrix wv = m * g_view.view;
        mainData_[0] = Transpose(wv * g_view.projection);
        mainData_[1] = Transpose(wv);
        mainBuffer_.Update(mainData_);
        lightStep();
        break;
    }
    case kPassDepth:
        if (offscreenOnly || !BindPair(depth_))
            return;
        lightStep();
        break;
    case kPassOffscreen:
        if (!offscreenOnly || !BindPair(main_))
            return;
        break;
    default:
        return;
    }
    Bind(m);
    Draw(m);
}

void CZorvaShaderGeneric0::Draw(const Matrix&)
{
    Kernel::CDirect3DSingleton& root = Root();
    if (layout_ != g_lastLayout) {
        const VertexFormat* format = layout_ != nullptr ? layout_->format : nullptr;
        const size_t count = format != nullptr ? format->elements.size() : 0;
        std::uint32_t offset = 0;
        for (GLuint i = 0; i < 4; ++i) {
            if (i < count) {
                glVertexArrayAttribFormat(root.vertexArray, i, format->elements[i].components, GL_FLOAT, GL_FALSE,
                                          offset);
                glVertexArrayAttribBinding(root.vertexArray, i, 0);
                glEnableVertexArrayAttrib(root.vertexArray, i);
                offset += 4u * static_cast<std::uint32_t>(format->elements[i].components);
            } else {
                glDisableVertexArrayAttrib(root.vertexArray, i);
            }
        }
        g_lastLayout = layout_;
    }
    if (!vertexBuffer_ || indexCount_ == 0)
        return;
    if (vertexBuffer_->id != g_lastVertexBuffer) {
        glVertexArrayVertexBuffer(root.vertexArray, 0, vertexBuffer_->id, 0, static_cast<GLsizei>(stride_));
        glVertexArrayElementBuffer(root.vertexArray, indexBuffer_ ? indexBuffer_->id : 0);
        g_lastVertexBuffer = vertexBuffer_->id;
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount_),
                   indexFormat_ == kIndex16 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT, nullptr);
}

void CSingleTexture::BindTo(std::uint32_t unit) const
{
    glBindTextureUnit(unit, view);
    const Kernel::CDirect3DSingleton& root = Root();
    if (unit == 3 || unit == 4)
        glBindSampler(unit, integer ? root.samplers[1] : root.samplers[0]);
}

CSingleTexture FindTexture(const std::u16string& name)
{
    const auto texture = Root().textures.Find(name);
    if (!texture || !*texture)
        throw Exception::NoDataFound(E_FAIL, u"Texture: " + name);
    CSingleTexture t;
    t.view = (*texture)->id;
    t.target = (*texture)->target;
    t.integer = (*texture)->integer;
    return t;
}

CTexturedShader::CTexturedShader(int shaderIndex, const std::u16string& textureName, const std::u16string& meshName)
    : CZorvaShaderGeneric0(shaderIndex, meshName), texture_(FindTexture(textureName))
{
}

void CTexturedShader::Bind(const Matrix&)
{
    if (RenderPass != kPassDepth)
        texture_.BindTo(texture_.slot);
}

CMetallic::CMetallic(int shaderIndex, const std::u16string& meshName, const std::array<float, 16>& material,
                     const std::array<float, 4>& placement)
    : CZorvaShaderGeneric0(shaderIndex, meshName), materialBuffer_(3, 80, kVertexMain | kPixelMain)
{
    std::copy(material.begin(), material.end(), material_);
    material_[16] = placement[0];
    material_[17] = placement[1] * 0.5625f;
    material_[18] = placement[2];
    material_[19] = placement[3] * 0.5625f;
}

void CMetallic::Bind(const Matrix&)
{
    materialBuffer_.Update(material_);
}

SceneView& View()
{
    return g_view;
}

void InitView()
{
    g_view.view = LookToLH({0, 0, 2, 1}, {0, 0, -2, 0}, {0, 1, 0, 0});
}

void ResizeView(int width, int height)
{
    const float w = static_cast<float>(width > 0 ? width : 1);
    const float h = static_cast<float>(height > 0 ? height : 1);
    constexpr float pi = std::numbers::pi_v<float>;
    g_view.width = width;
    g_view.height = height;
    g_view.projection = PerspectiveFovLH(pi / 4.0f, w / h, 1.0f, 20.0f);
    const Float4 eye{-1.1f, 3.985f, 9.734f, 1.0f};
    g_view.lightViewProjection = LookToLH(eye, {-eye.x, -eye.y, -eye.z, 0}, {0, 1, 0, 0}) *
                                 PerspectiveFovLH(pi / 9.0f, 1.15f, 1.0f, 12.0f);
    if (w < h) {
        g_view.ax = 1.0f;
        g_view.ay = w / h;
    } else {
        g_view.ax = h / w;
        g_view.ay = 1.0f;
    }
    const Float4 p = Transform({1.7777778f, 0.0f, 1.0f, 1.0f}, g_view.projection);
    float s = 3.5555556f / p.x;
    const float f = g_view.ax * 1.7777778f / g_view.ay;
    if (f < 1.0f)
        s *= f;
    float sy = s * g_view.ax;
    if (g_view.ay != 1.0f)
        sy /= g_view.ay;
    g_view.s = s;
    g_view.sy = sy;
    g_view.background = Scaling(s, sy, 1.0f);
    g_view.tiling[0] = w / 256.0f;
    g_view.tiling[1] = h / 256.0f;
    g_view.tiling[2] = 1.0f;
    g_view.tiling[3] = 1.0f;
}

void ShadowMap::Release()
{
    if (framebuffer != 0)
        glDeleteFramebuffers(1, &framebuffer);
    if (texture != 0)
        glDeleteTextures(1, &texture);
    framebuffer = texture = 0;
}

void InstallSceneHooks()
{
    DeviceHooks& hooks = DeviceState().hooks;
    hooks.deviceCreated = [] {
        Kernel::CPersistentSingleton& kernel = Kernel::Singleton();
        const bool shadows = kernel.config && kernel.config->current.quality > 0;
        kernel.sceneRoot.Emplace(shadows);
    };
    hooks.resized = [](int width, int height) {
        ResizeView(width, height);
        Kernel::CDirect3DSingleton* root = Kernel::SceneRoot();
        if (root != nullptr && root->shadows) {
            const Platform::Rect display =
                Platform::PrimaryDisplayBounds().value_or(Platform::Rect{0, 0, width, height});
            root->CreateShadowMap(display.w, display.h);
        }
    };
    hooks.releasing = [] {
        if (Kernel::CDirect3DSingleton* root = Kernel::SceneRoot(); root != nullptr)
            root->ReleaseShadowMap();
    };
    hooks.destroyScene = [] { Kernel::Singleton().sceneRoot.Reset(); };
}

} // namespace Zorva::Renderer

namespace Zorva::Kernel {

using namespace Renderer;

CDirect3DSingleton* SceneRoot()
{
    CPersistentSingleton* kernel = SingletonPointer();
    return kernel != nullptr ? kernel->sceneRoot.get() : nullptr;
}

CDirect3DSingleton::CDirect3DSingleton(bool shadows_) : shadows(shadows_)
{
    // Samplers: anisotropic wrap, point clamp, and the shadow comparison.
    glCreateSamplers(shadows ? 3 : 2, samplers);
    glSamplerParameteri(samplers[0], GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(samplers[0], GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
        glSamplerParameteri(samplers[0], wrap, GL_REPEAT);
    if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
        epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic"))
        glSamplerParameterf(samplers[0], 0x84FE /* GL_TEXTURE_MAX_ANISOTROPY */, 4.0f);
    glSamplerParameteri(samplers[1], GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(samplers[1], GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
        glSamplerParameteri(samplers[1], wrap, GL_CLAMP_TO_EDGE);
    if (shadows) {
        glSamplerParameteri(samplers[2], GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glSamplerParameteri(samplers[2], GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
            glSamplerParameteri(samplers[2], wrap, GL_CLAMP_TO_BORDER);
        const float border[4] = {0, 0, 0, 0};
        glSamplerParameterfv(samplers[2], GL_TEXTURE_BORDER_COLOR, border);
        glSamplerParameteri(samplers[2], GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
        glSamplerParameteri(samplers[2], GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
        glBindSampler(0, samplers[2]);
    }
    if (samplers[0] == 0 || samplers[1] == 0 || (shadows && samplers[2] == 0))
        throw Exception::Driver3DFailed(E_FAIL, u"Sampler");
    glBindSampler(3, samplers[0]);
    glBindSampler(4, samplers[0]);
    glBindSampler(5, samplers[1]);

    // Rasterizer: solid, back faces culled, front faces clockwise on screen. The upper-left origin
    // keeps GL's window coordinates the way the scene's matrices expect them.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_MULTISAMPLE);

    // Alpha blending of the "set" node: colour by source alpha, alpha written as is.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ZERO);
    glBlendEquation(GL_FUNC_ADD);
    glDisable(GL_BLEND);

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_STENCIL_TEST);

    glCreateVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    if (glGetError() != GL_NO_ERROR)
        throw Exception::Driver3DFailed(E_FAIL, u"Rasterizer State");

    meshes.Insert(u"ghost", MeshRecord{});
    matrixStack.push_back(Matrix::Identity());
    ResetBindingCaches();
}

CDirect3DSingleton::~CDirect3DSingleton()
{
    world.reset();
    sceneBuffer.reset();
    ReleaseShadowMap();
    for (auto& [pair, program] : programs_)
        glDeleteProgram(program);
    programs_.clear();
    for (GLuint& s : samplers)
        if (s != 0) {
            glDeleteSamplers(1, &s);
            s = 0;
        }
    for (SlotBuffer& b : constantBuffers)
        if (b.id != 0)
            glDeleteBuffers(1, &b.id);
    glBindVertexArray(0);
    glDeleteVertexArrays(1, &vertexArray);
    ResetBindingCaches();
}

std::uint32_t CDirect3DSingleton::Program(const GpuShader* vs, const GpuShader* ps)
{
    const auto key = std::make_pair(static_cast<const void*>(vs), static_cast<const void*>(ps));
    if (const auto it = programs_.find(key); it != programs_.end())
        return it->second;
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs->id);
    if (ps != nullptr)
        glAttachShader(program, ps->id);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        glDeleteProgram(program);
        throw Exception::Driver3DFailed(E_FAIL, u"Link: " + std::u16string(log, log + std::strlen(log)));
    }
    programs_.emplace(key, program);
    return program;
}

void CDirect3DSingleton::CreateShadowMap(int displayWidth, int displayHeight)
{
    ReleaseShadowMap();
    auto map = std::make_unique<ShadowMap>();
    map->width = displayWidth < 1920 ? 1024 : 2048;
    map->height = displayHeight < 1080 ? 1024 : 2048;
    glCreateTextures(GL_TEXTURE_2D, 1, &map->texture);
    glTextureStorage2D(map->texture, 1, GL_DEPTH_COMPONENT32F, map->width, map->height);
    if (map->texture == 0 || glGetError() != GL_NO_ERROR) {
        map->Release();
        throw Exception::Driver3DFailed(E_FAIL, u"Create Depth");
    }
    glCreateFramebuffers(1, &map->framebuffer);
    glNamedFramebufferTexture(map->framebuffer, GL_DEPTH_ATTACHMENT, map->texture, 0);
    glNamedFramebufferDrawBuffer(map->framebuffer, GL_NONE);
    glNamedFramebufferReadBuffer(map->framebuffer, GL_NONE);
    if (glCheckNamedFramebufferStatus(map->framebuffer, GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        map->Release();
        throw Exception::Driver3DFailed(E_FAIL, u"Create Stencil");
    }
    shadowMap = std::move(map);
}

void CDirect3DSingleton::ReleaseShadowMap()
{
    if (shadowMap) {
        shadowMap->Release();
        shadowMap.reset();
    }
}

} // namespace Zorva::Kernel
