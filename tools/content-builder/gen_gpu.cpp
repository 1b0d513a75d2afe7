// The renderer's content: meshes made in code and the GLSL programs of content/shaders/.
#include "tools/content-builder/generators.h"
#include "tools/content-builder/gpu_content.h"

#include <stdexcept>

namespace Zorva::Tools {

void GenerateMeshes(BuildContext& ctx)
{
    for (const GpuResource& r : MeshResources())
        ctx.Write(r.folder, r.fileName, r.payload);
}

void GenerateShaders(BuildContext& ctx)
{
    std::vector<GpuResource> shaders;
    try {
        shaders = ShaderResources(ctx.Source("shaders"));
    } catch (const std::runtime_error& e) {
        throw BuildError(e.what());
    }
    for (const GpuResource& r : shaders)
        ctx.Write(r.folder, r.fileName, r.payload);
}

} // namespace Zorva::Tools
