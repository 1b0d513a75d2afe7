// The DDS reader: checks a DDS file and describes its texture for OpenGL. Runs on pool workers;
// creates nothing on the GPU.
#pragma once

#include "platform/hresult.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Zorva::Renderer {

inline constexpr HRESULT kErrorNotSupported = MakeCode(0x80070032u); // ERROR_NOT_SUPPORTED
inline constexpr HRESULT kErrorInvalidData = MakeCode(0x8007000Du);  // ERROR_INVALID_DATA

enum class TextureKind { Tex1D, Tex1DArray, Tex2D, Tex2DArray, Cube, CubeArray, Tex3D };

struct TextureImage {
    std::uint32_t level = 0;
    std::uint32_t layer = 0; // array element x 6 + face for cube maps
    std::uint32_t width = 0, height = 0, depth = 0;
    size_t offset = 0; // into TextureData::bytes
    size_t size = 0;
};

struct TextureData {
    TextureKind kind = TextureKind::Tex2D;
    std::uint32_t width = 0, height = 0, depth = 1;
    std::uint32_t layers = 1; // array elements x faces
    std::uint32_t levels = 1;
    std::uint32_t dxgiFormat = 0; // the format as DDS names it (0 for a legacy layout)
    // OpenGL description.
    std::uint32_t internalFormat = 0;
    std::uint32_t format = 0;
    std::uint32_t type = 0;
    bool compressed = false;
    bool integer = false;   // read with texelFetch through an unsigned sampler
    int swizzle[4] = {};    // 0 = keep the default
    std::vector<TextureImage> images;
    std::vector<std::uint8_t> bytes;
};

// Reads a whole DDS file. On failure returns the code (E_FAIL for a short file, a wrong magic or
// header size; kErrorInvalidData for a malformed DX10 header or missing pixel data;
// kErrorNotSupported for formats and sizes beyond the limits).
HRESULT ReadDds(const std::uint8_t* data, size_t size, TextureData& out);

} // namespace Zorva::Renderer
