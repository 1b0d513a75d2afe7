// The renderer's meshes and shader programs (made by gpu_content.cpp) join the staged tree here.
#include "tools/content-builder/generators.h"
#include "tools/content-builder/gpu_content.h"

namespace Zorva::Tools {

void GenerateGpuContent(BuildContext& ctx) {
    for (const GpuResource& r : MeshResources())
        ctx.Write(r.folder, r.fileName, r.payload);
    for (const GpuResource& r : ShaderResources(ctx.Source("shaders")))
        ctx.Write(r.folder, r.fileName, r.payload);
}

} // namespace Zorva::Tools
