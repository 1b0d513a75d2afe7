// The scene graph: nodes with their virtual slots, groups, drawables, the blend switches, the
// scene root with its pipeline states and stores, the fixed camera and light, the screen scale.
#pragma once

#include "renderer/math.h"
#include "renderer/resources.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Zorva::Kernel {
class CDestructable {
public:
    virtual ~CDestructable() = default;
};
} // namespace Zorva::Kernel

namespace Zorva::Renderer {

class CZorva : public Kernel::CDestructable {
public:
    virtual void Render() = 0;
    virtual void Prune() {}
    virtual bool IsVisible() { return true; }
    virtual bool IsOneShotOffscreen() { return false; }
    virtual bool IsOffscreen() { return false; }
};

class CZorvaSetBlendState : public CZorva {
public:
    void Render() override;
};
class CZorvaResetBlendState : public CZorva {
public:
    void Render() override;
};

class CWorldGr : public CZorva {
public:
    // Folds the node's own transform into the incoming matrix.
    virtual void Transform(Matrix& /*m*/) {}
};

class CWorldGrCombine : public CWorldGr {
public:
    // Appends a child (not owned); a null child throws NoDataFound "Renderer".
    void Add(CZorva* child);
    void Render() override;
    void Prune() override;
    std::vector<CZorva*>& Children() { return children_; }

protected:
    std::vector<CZorva*> children_;
};

// The shader table: main pairs by index, and the depth pair used when shadows are on.
struct ShaderPair {
    const char16_t* vertex;
    const char16_t* pixel;
    int depthIndex; // -1 none
};
const ShaderPair& ShaderTableEntry(int index);
inline constexpr int kShaderCount = 18;

// A drawable: one mesh, a shader pair per pass, the depth and main constant buffers.
class CZorvaShaderGeneric0 : public CWorldGr {
public:
    CZorvaShaderGeneric0(int shaderIndex, const std::u16string& meshName);
    ~CZorvaShaderGeneric0() override;
    void Render() override;
    // Binds textures and extra constants just before the draw.
    virtual void Bind(const Matrix& /*m*/) {}
    // Replaces the mesh (text and quads built in code).
    void SetMesh(const MeshRecord& mesh);
    // Whether the class answers IsOffscreen itself (only then does the main pass ask it).
    virtual bool OverridesOffscreen() const { return false; }

    std::uint32_t IndexCount() const { return indexCount_; }

protected:
    struct Pair {
        ShaderRef vs;
        ShaderRef ps;
    };
    static bool BindPair(const Pair& pair);
    void Draw(const Matrix& m);

    BufferRef indexBuffer_, vertexBuffer_;
    std::uint32_t indexCount_ = 0, indexFormat_ = kIndex16, stride_ = 0;
    Pair main_, depth_;
    InputLayout* layout_ = nullptr;
    ConstantBuffer depthBuffer_;
    Matrix depthData_;
    ConstantBuffer mainBuffer_;
    Matrix mainData_[2];
};

// A texture bound to a pixel-shader slot.
struct CSingleTexture {
    std::uint32_t view = 0;   // GL texture name
    std::uint32_t target = 0; // GL texture target
    std::uint32_t slot = 4;
    bool integer = false;
    // Binds the texture and the unit's sampler: integer textures are complete only with
    // nearest filtering, so they always get the point sampler.
    void BindTo(std::uint32_t unit) const;
};

// Looks a texture up by name; a missing texture throws NoDataFound naming it.
CSingleTexture FindTexture(const std::u16string& name);

class CTexturedShader : public CZorvaShaderGeneric0 {
public:
    CTexturedShader(int shaderIndex, const std::u16string& textureName, const std::u16string& meshName);
    void Bind(const Matrix& m) override;

protected:
    CSingleTexture texture_;
};

class CMetallic : public CZorvaShaderGeneric0 {
public:
    // Sixteen material floats and the placement rectangle (x, y, width, height); y and height are
    // scaled by 0.5625.
    CMetallic(int shaderIndex, const std::u16string& meshName, const std::array<float, 16>& material,
              const std::array<float, 4>& placement);
    void Bind(const Matrix& m) override;

protected:
    ConstantBuffer materialBuffer_;
    float material_[20] = {};
};

// Resets the binding caches (the last vertex buffer, shaders and input layout).
void ResetBindingCaches();

// The fixed camera, light and the virtual screen scale, shared by the scene.
struct SceneView {
    Matrix view;
    Matrix projection;
    Matrix lightViewProjection;
    float s = 1.0f, sy = 1.0f, ax = 1.0f, ay = 1.0f;
    Matrix background; // scaling by (s, sy, 1)
    float tiling[4] = {1, 1, 1, 1};
    int width = 0, height = 0;
};
SceneView& View();
// Called once at start: the view matrix.
void InitView();
// On every back-buffer size change: projection, light, screen scale, background tiling.
void ResizeView(int width, int height);

struct ShadowMap {
    std::uint32_t texture = 0, framebuffer = 0;
    int width = 0, height = 0;
    void Release();
};

} // namespace Zorva::Renderer

namespace Zorva::Kernel {

// The scene root: the pipeline states, the constant-buffer table, the stores, the matrix stack,
// the shadow map, the scene constant buffer and the owned world.
class CDirect3DSingleton : public Renderer::CWorldGrCombine {
public:
    // `shadows`: the quality level is above the lowest.
    explicit CDirect3DSingleton(bool shadows);
    ~CDirect3DSingleton() override;

    struct SlotBuffer {
        std::uint32_t id = 0;
        std::uint32_t size = 0;
    };

    Renderer::CNamedStore<Renderer::VertexShaderRecord> vertexShaders;
    Renderer::CNamedStore<std::unique_ptr<Renderer::InputLayout>> inputLayouts;
    Renderer::CNamedStore<Renderer::ShaderRef> pixelShaders;
    Renderer::CNamedStore<Renderer::TextureRef> textures;
    Renderer::CNamedStore<Renderer::MeshRecord> meshes;

    std::array<SlotBuffer, 5> constantBuffers{};
    Renderer::CZorvaResetBlendState resetBlend;
    Renderer::CZorvaSetBlendState setBlend;
    std::vector<Renderer::Matrix> matrixStack;
    std::unique_ptr<Renderer::ShadowMap> shadowMap;
    std::unique_ptr<Renderer::ConstantBuffer> sceneBuffer;
    std::unique_ptr<Renderer::CWorldGrCombine> world;
    bool shadows;

    // The linked program of a shader pair, made on first use.
    std::uint32_t Program(const Renderer::GpuShader* vs, const Renderer::GpuShader* ps);
    // Makes or replaces the shadow map for the primary display's size.
    void CreateShadowMap(int displayWidth, int displayHeight);
    void ReleaseShadowMap();

    std::uint32_t samplers[3] = {};
    std::uint32_t vertexArray = 0;

private:
    std::map<std::pair<const void*, const void*>, std::uint32_t> programs_;
};

// The root, or null before the device made it.
CDirect3DSingleton* SceneRoot();

} // namespace Zorva::Kernel
