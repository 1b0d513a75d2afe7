// GPU resources: the named stores' records, the vertex formats, constant buffers, the upload
// queue that brings decoded resources to the render thread, the kind handlers and the welding
// vertex builder.
#pragma once

#include "kernel/load_stage.h"
#include "platform/hresult.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace Zorva::Kernel {
class CDirect3DSingleton;
}

namespace Zorva::Renderer {

// GL names that delete themselves; made and released on the render thread only.
struct GpuBuffer {
    explicit GpuBuffer(std::uint32_t id_) : id(id_) {}
    ~GpuBuffer();
    GpuBuffer(const GpuBuffer&) = delete;
    GpuBuffer& operator=(const GpuBuffer&) = delete;
    std::uint32_t id;
};
struct GpuTexture {
    GpuTexture(std::uint32_t id_, std::uint32_t target_, std::uint32_t w, std::uint32_t h, bool integer_ = false)
        : id(id_), target(target_), width(w), height(h), integer(integer_)
    {
    }
    ~GpuTexture();
    GpuTexture(const GpuTexture&) = delete;
    GpuTexture& operator=(const GpuTexture&) = delete;
    std::uint32_t id, target, width, height;
    bool integer; // read through an unsigned sampler with texelFetch
};
struct GpuShader {
    GpuShader(std::uint32_t id_, std::uint32_t stage_) : id(id_), stage(stage_) {}
    ~GpuShader();
    GpuShader(const GpuShader&) = delete;
    GpuShader& operator=(const GpuShader&) = delete;
    std::uint32_t id, stage;
};
using BufferRef = std::shared_ptr<GpuBuffer>;
using TextureRef = std::shared_ptr<GpuTexture>;
using ShaderRef = std::shared_ptr<GpuShader>;

// Vertex formats: elements in attribute order 0, 1, 2 ..., all 32-bit floats, packed.
struct VertexElement {
    const char* semantic;
    int components;
};
struct VertexFormat {
    std::u16string name;
    std::vector<VertexElement> elements;
    std::uint32_t stride;
};
const VertexFormat* FindVertexFormat(std::u16string_view name);

// The attribute layout shared by every vertex shader of one vertex format.
struct InputLayout {
    const VertexFormat* format = nullptr;
};

struct VertexShaderRecord {
    ShaderRef shader;
    InputLayout* layout = nullptr;
    std::u16string formatName;
};
struct MeshRecord {
    BufferRef indexBuffer;
    BufferRef vertexBuffer;
    std::uint32_t indexCount = 0;
    std::uint32_t indexFormat = 57; // DXGI_FORMAT_R16_UINT, anything else 32-bit
};

// Index format values.
inline constexpr std::uint32_t kIndex16 = 57;
inline constexpr std::uint32_t kIndex32 = 42;

// A store keyed by resource name; the first entry of a name stays.
template <class Record>
class CNamedStore {
public:
    bool Insert(const std::u16string& name, Record record)
    {
        std::lock_guard lock(mutex_);
        return map_.emplace(name, std::move(record)).second;
    }
    std::optional<Record> Find(const std::u16string& name) const
    {
        std::lock_guard lock(mutex_);
        const auto it = map_.find(name);
        if (it == map_.end())
            return std::nullopt;
        return it->second;
    }
    size_t Size() const
    {
        std::lock_guard lock(mutex_);
        return map_.size();
    }
    std::mutex& Mutex() const { return mutex_; }
    std::unordered_map<std::u16string, Record>& Map() { return map_; }

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::u16string, Record> map_;
};

// Pass selector read by every drawable: 0 main, 1 depth (shadow map), 3 off-screen.
enum : std::uint32_t { kPassMain = 0, kPassDepth = 1, kPassOffscreen = 3 };
extern std::uint32_t RenderPass;

// Stage flags of a constant buffer.
enum : std::uint64_t { kVertexMain = 1, kPixelMain = 2, kVertexDepth = 4, kPixelDepth = 8 };

// One uniform-block slot (0 to 4); every user of a slot shares one buffer of the size the first
// user asked for.
class ConstantBuffer {
public:
    ConstantBuffer(std::uint32_t slot, std::uint32_t bytes, std::uint64_t stages);
    // Replaces the slot's contents with `data` (the slot's size of it) and binds it for the
    // current pass's stages.
    void Update(const void* data);
    std::uint32_t Slot() const { return slot_; }
    std::uint32_t Size() const;

private:
    std::uint32_t slot_;
    std::uint64_t stages_;
};

// Work for the render thread: kind handlers decode and check on pool workers, then queue the
// GL creation. Drained before each frame-move step, in queue order; work queued for a device
// that has since been torn down is dropped.
class CUploadQueue {
public:
    using Job = std::function<void(Kernel::CDirect3DSingleton&)>;
    static CUploadQueue& Instance();
    void Push(Job job);
    // Runs every queued job against the root; returns how many ran.
    size_t Drain(Kernel::CDirect3DSingleton& root);
    // Drops everything queued and everything queued later for the old device.
    void NewDevice();
    bool Accepting() const { return accepting_.load(); }
    void SetAccepting(bool on) { accepting_.store(on); }

private:
    std::mutex mutex_;
    std::vector<std::pair<std::uint64_t, Job>> jobs_;
    std::atomic<std::uint64_t> generation_{1};
    std::atomic<bool> accepting_{false};
};

// Decoders behind the kind handlers; each queues its GL step. They throw the failure family.
void HandleTexturePayload(const std::u16string& name, const std::uint8_t* data, size_t size);
void HandleMeshPayload(const std::u16string& name, const std::uint8_t* data, size_t size);
void HandleVertexShaderPayload(const std::u16string& name, const std::uint8_t* data, size_t size);
void HandlePixelShaderPayload(const std::u16string& name, const std::uint8_t* data, size_t size);
// The texture of a picture from its DDS image (its region map): checked on the caller's worker,
// made on the render thread. Returns the reader's code.
HRESULT CreateArtTexture(const std::u16string& name, const std::uint8_t* data, size_t size);
// Fills the resource hooks of the file layer (textures, meshes, shaders, picture textures).
void InstallKindHooks();

// Mesh upload: immutable vertex and index buffers. Throws Driver3DFailed "Mesh Vert"/"Mesh Ind".
MeshRecord UploadMesh(const void* indices, std::uint32_t indexCount, std::uint32_t indexFormat,
                      const void* vertices, size_t vertexBytes);

// An indexed triangle-list builder that welds byte-wise equal vertices (16-bit indices).
template <class Vertex>
class CVertices {
public:
    virtual ~CVertices() = default;
    virtual void AddTriangle(const Vertex& a, const Vertex& b, const Vertex& c)
    {
        AddVertex(a);
        AddVertex(b);
        AddVertex(c);
    }
    void AddVertex(const Vertex& v)
    {
        const Key key{v};
        const auto it = map_.find(key);
        if (it != map_.end()) {
            indices.push_back(it->second);
            return;
        }
        const auto index = static_cast<std::uint16_t>(vertices.size());
        vertices.push_back(v);
        map_.emplace(key, index);
        indices.push_back(index);
    }
    void Reserve(size_t vertexCount, size_t indexCount)
    {
        vertices.reserve(vertices.size() + vertexCount);
        indices.reserve(indices.size() + indexCount);
        size_t buckets = 8;
        const size_t wanted = map_.size() + vertexCount;
        while (static_cast<float>(wanted) / static_cast<float>(buckets) > map_.max_load_factor())
            buckets *= 2;
        if (buckets > map_.bucket_count())
            map_.rehash(buckets);
    }
    void Clear()
    {
        vertices = {};
        indices = {};
        map_ = {};
    }

    std::vector<Vertex> vertices;
    std::vector<std::uint16_t> indices;

    // The welding hash: byte i of the vertex adds (byte + 3 i) to hash byte i mod 8.
    static std::uint64_t Hash(const Vertex& v)
    {
        std::uint8_t h[8] = {};
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&v);
        for (size_t i = 0; i < sizeof(Vertex); ++i)
            h[i % 8] = static_cast<std::uint8_t>(h[i % 8] + bytes[i] + 3 * i);
        std::uint64_t out = 0;
        std::memcpy(&out, h, 8);
        return out;
    }

private:
    struct Key {
        Vertex v;
        bool operator==(const Key& o) const { return std::memcmp(&v, &o.v, sizeof(Vertex)) == 0; }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const { return static_cast<size_t>(Hash(k.v)); }
    };
    std::unordered_map<Key, std::uint16_t, KeyHash> map_;
};

// Vertex layouts of the "image" and "font" formats.
struct VERTEXPANE {
    float x, y, z;
    float u, v;
};
struct VERTEXFONT {
    float position[4]; // x, y, then the font texture's u, v
    float colour[4];
};

} // namespace Zorva::Renderer
