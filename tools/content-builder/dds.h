// DDS files as the renderer reads them: the "DDS " magic, the 124-byte header and the DX10
// extension header, then the pixel data of every mip level, largest first.
#pragma once

#include "tools/content-builder/image.h"

#include <cstdint>
#include <vector>

namespace Zorva::Tools {

enum class DxgiFormat : std::uint32_t {
    R8G8B8A8_UNORM = 28,
    R8G8B8A8_UNORM_SRGB = 29,
    R16_UINT = 57,
};

// A 2-D RGBA8 texture with the given mip levels (level 0 first).
std::vector<std::uint8_t> EncodeDdsRgba8(const std::vector<Rgba8Image>& levels, DxgiFormat format);

// A 2-D R16_UINT texture of one level; the pixel data starts at byte 148.
std::vector<std::uint8_t> EncodeDdsR16(int width, int height, const std::vector<std::uint16_t>& texels);

inline constexpr std::size_t kDdsDataOffset = 148;

} // namespace Zorva::Tools
