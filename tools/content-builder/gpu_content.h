// The renderer's share of the content: the meshes, generated in code in the vertex format of the
// shaders that draw them, and the GLSL programs of the shader table, from content/shaders/.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace Zorva::Tools {

struct GpuResource {
    std::string folder;   // below Res/: "Boot2", "Auto", "Boot2/Lvl10"
    std::string fileName; // "torus.zorva-msh"
    std::vector<std::uint8_t> payload;
};

// Every mesh: what the world needs (wallpaper, torus, hr, dialog_metallic) in Boot2, what the
// pages need (clockface, push_button, crayon, label) in Auto.
std::vector<GpuResource> MeshResources();

// Every vertex and pixel shader, for each quality folder of Boot2 (the lowest level without
// shadows). Throws std::runtime_error when a source is missing.
std::vector<GpuResource> ShaderResources(const std::filesystem::path& shaderFolder);

// One mesh payload: index count, index format 57 (16-bit), the indices, then the vertices.
std::vector<std::uint8_t> MeshPayload(const std::vector<std::uint16_t>& indices, const std::vector<float>& vertices);

} // namespace Zorva::Tools
