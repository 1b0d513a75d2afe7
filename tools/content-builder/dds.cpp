#include "tools/content-builder/dds.h"

#include "tools/content-builder/build_context.h"

#include <cstring>

namespace Zorva::Tools {
namespace {

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Magic, DDS_HEADER and DDS_HEADER_DXT10 for an uncompressed 2-D texture.
std::vector<std::uint8_t> Header(int width, int height, int mipCount, std::uint32_t bytesPerPixel, DxgiFormat format) {
    constexpr std::uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8,
                            DDSD_PIXELFORMAT = 0x1000, DDSD_MIPMAPCOUNT = 0x20000;
    constexpr std::uint32_t DDPF_FOURCC = 0x4;
    constexpr std::uint32_t DDSCAPS_COMPLEX = 0x8, DDSCAPS_TEXTURE = 0x1000, DDSCAPS_MIPMAP = 0x400000;
    constexpr std::uint32_t D3D10_RESOURCE_DIMENSION_TEXTURE2D = 3;

    std::vector<std::uint8_t> out(kDdsDataOffset, 0);
    std::memcpy(out.data(), "DDS ", 4);
    std::uint32_t flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    std::uint32_t caps = DDSCAPS_TEXTURE;
    if (mipCount > 1) {
        flags |= DDSD_MIPMAPCOUNT;
        caps |= DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
    }
    Put32(out, 4, 124);
    Put32(out, 8, flags);
    Put32(out, 12, static_cast<std::uint32_t>(height));
    Put32(out, 16, static_cast<std::uint32_t>(width));
    Put32(out, 20, static_cast<std::uint32_t>(width) * bytesPerPixel); // row pitch
    Put32(out, 24, 0);                                                 // depth
    Put32(out, 28, static_cast<std::uint32_t>(mipCount));
    // Pixel format at 76: size 32, four-character code "DX10".
    Put32(out, 76, 32);
    Put32(out, 80, DDPF_FOURCC);
    std::memcpy(out.data() + 84, "DX10", 4);
    Put32(out, 108, caps);
    // DDS_HEADER_DXT10 at 128.
    Put32(out, 128, static_cast<std::uint32_t>(format));
    Put32(out, 132, D3D10_RESOURCE_DIMENSION_TEXTURE2D);
    Put32(out, 136, 0); // misc flags
    Put32(out, 140, 1); // array size
    Put32(out, 144, 0); // alpha mode not stated
    return out;
}

} // namespace

std::vector<std::uint8_t> EncodeDdsRgba8(const std::vector<Rgba8Image>& levels, DxgiFormat format) {
    if (levels.empty())
        throw BuildError("a texture without levels");
    std::vector<std::uint8_t> out =
        Header(levels[0].width, levels[0].height, static_cast<int>(levels.size()), 4, format);
    for (const Rgba8Image& level : levels)
        out.insert(out.end(), level.pixels.begin(), level.pixels.end());
    return out;
}

std::vector<std::uint8_t> EncodeDdsR16(int width, int height, const std::vector<std::uint16_t>& texels) {
    if (texels.size() != static_cast<std::size_t>(width) * height)
        throw BuildError("region map size does not match its texels");
    std::vector<std::uint8_t> out = Header(width, height, 1, 2, DxgiFormat::R16_UINT);
    out.reserve(out.size() + texels.size() * 2);
    for (std::uint16_t t : texels) {
        out.push_back(static_cast<std::uint8_t>(t & 0xFF));
        out.push_back(static_cast<std::uint8_t>(t >> 8));
    }
    return out;
}

} // namespace Zorva::Tools
