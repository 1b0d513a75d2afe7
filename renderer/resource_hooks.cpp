// The file layer hands texture, mesh and shader payloads to the renderer through its kind hooks.
#include "file/kind_hooks.h"
#include "renderer/resources.h"

namespace Zorva::Renderer {

void InstallKindHooks()
{
    File::KindHooks& hooks = File::GetKindHooks();
    hooks.texture = [](File::CFileHolderGeneric& file) {
        HandleTexturePayload(file.GetResourceName(), file.GetPayloadData(), file.GetPayloadSize());
    };
    hooks.mesh = [](File::CFileHolderGeneric& file) {
        HandleMeshPayload(file.GetResourceName(), file.GetPayloadData(), file.GetPayloadSize());
    };
    hooks.vertexShader = [](File::CFileHolderGeneric& file) {
        HandleVertexShaderPayload(file.GetResourceName(), file.GetPayloadData(), file.GetPayloadSize());
    };
    hooks.pixelShader = [](File::CFileHolderGeneric& file) {
        HandlePixelShaderPayload(file.GetResourceName(), file.GetPayloadData(), file.GetPayloadSize());
    };
    hooks.createArtTexture = [](const std::u16string& name, const std::vector<std::uint8_t>& dds) {
        return CreateArtTexture(name, dds.data(), dds.size());
    };
}

} // namespace Zorva::Renderer
