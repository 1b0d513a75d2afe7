#include "renderer/dds.h"

#include "renderer/gl.h"

#include <algorithm>
#include <cstring>

namespace Zorva::Renderer {
namespace {

constexpr std::uint32_t kDdsdHeight = 0x2, kDdsdWidth = 0x4, kDdsdDepth = 0x800000, kDdsdMipCount = 0x20000;
constexpr std::uint32_t kPfAlpha = 0x2, kPfFourCc = 0x4, kPfRgb = 0x40, kPfLuminance = 0x20000, kPfAlphaPixels = 0x1;
constexpr std::uint32_t kCaps2Cube = 0x200, kCaps2Volume = 0x200000;
constexpr std::uint32_t kDimTexture1D = 2, kDimTexture2D = 3, kDimTexture3D = 4;
constexpr std::uint32_t kMiscTextureCube = 0x4;

std::uint32_t U32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::uint32_t FourCc(char a, char b, char c, char d)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24);
}

struct Format {
    std::uint32_t internalFormat = 0, format = 0, type = 0;
    std::uint32_t bytesPerPixel = 0; // uncompressed
    std::uint32_t blockBytes = 0;    // compressed, per 4 x 4 block
    bool integer = false;
    int swizzle[4] = {};
};

bool FromDxgi(std::uint32_t dxgi, Format& f)
{
    switch (dxgi) {
    case 2: f = {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16}; return true;
    case 10: f = {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8}; return true;
    case 11: f = {GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, 8}; return true;
    case 24: f = {GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4}; return true;
    case 28: f = {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4}; return true;
    case 29: f = {GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE, 4}; return true;
    case 41: f = {GL_R32F, GL_RED, GL_FLOAT, 4}; return true;
    case 49: f = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2}; return true;
    case 54: f = {GL_R16F, GL_RED, GL_HALF_FLOAT, 2}; return true;
    case 56: f = {GL_R16, GL_RED, GL_UNSIGNED_SHORT, 2}; return true;
    case 57: f = {GL_R16UI, GL_RED_INTEGER, GL_UNSIGNED_SHORT, 2, 0, true}; return true;
    case 61: f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1}; return true;
    case 65: f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, 0, false, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}}; return true;
    case 71: f = {GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, 0, 8}; return true;
    case 72: f = {GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT, 0, 0, 0, 8}; return true;
    case 74: f = {GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, 0, 16}; return true;
    case 75: f = {GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT, 0, 0, 0, 16}; return true;
    case 77: f = {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, 0, 16}; return true;
    case 78: f = {GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT, 0, 0, 0, 16}; return true;
    case 85: f = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2}; return true;
    case 86: f = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2}; return true;
    case 87: f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4}; return true;
    case 88: f = {GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE, 4}; return true;
    case 91: f = {GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE, 4}; return true;
    case 93: f = {GL_SRGB8, GL_BGRA, GL_UNSIGNED_BYTE, 4}; return true;
    default: return false;
    }
}

// The pixel-format block of a file without the DX10 header.
bool FromLegacy(const std::uint8_t* pf, Format& f)
{
    const std::uint32_t flags = U32(pf + 4), fourCc = U32(pf + 8), bits = U32(pf + 12);
    const std::uint32_t r = U32(pf + 16), g = U32(pf + 20), b = U32(pf + 24), a = U32(pf + 28);
    if ((flags & kPfFourCc) != 0) {
        switch (fourCc) {
        case FourCc('D', 'X', 'T', '1'): return FromDxgi(71, f);
        case FourCc('D', 'X', 'T', '2'):
        case FourCc('D', 'X', 'T', '3'): return FromDxgi(74, f);
        case FourCc('D', 'X', 'T', '4'):
        case FourCc('D', 'X', 'T', '5'): return FromDxgi(77, f);
        case 36: return FromDxgi(11, f);
        case 113: return FromDxgi(10, f);
        case 116: return FromDxgi(2, f);
        default: return false;
        }
    }
    const bool alpha = (flags & kPfAlphaPixels) != 0;
    if ((flags & kPfRgb) != 0) {
        if (bits == 32 && r == 0xFF && g == 0xFF00 && b == 0xFF0000) {
            FromDxgi(28, f);
            if (!alpha || a != 0xFF000000u)
                f.swizzle[3] = GL_ONE;
            return true;
        }
        if (bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
            return FromDxgi(alpha && a == 0xFF000000u ? 87 : 88, f);
        if (bits == 24 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) {
            f = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, 3};
            return true;
        }
        if (bits == 24 && r == 0xFF && g == 0xFF00 && b == 0xFF0000) {
            f = {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE, 3};
            return true;
        }
        if (bits == 16 && r == 0xF800 && g == 0x7E0 && b == 0x1F)
            return FromDxgi(85, f);
        if (bits == 16 && r == 0x7C00 && g == 0x3E0 && b == 0x1F && a == 0x8000)
            return FromDxgi(86, f);
        return false;
    }
    if ((flags & kPfLuminance) != 0 && bits == 8) {
        f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, 0, false, {GL_RED, GL_RED, GL_RED, GL_ONE}};
        return true;
    }
    if ((flags & kPfLuminance) != 0 && bits == 16 && alpha) {
        f = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2, 0, false, {GL_RED, GL_RED, GL_RED, GL_GREEN}};
        return true;
    }
    if ((flags & kPfAlpha) != 0 && bits == 8)
        return FromDxgi(65, f);
    return false;
}

size_t ImageSize(const Format& f, std::uint32_t w, std::uint32_t h, std::uint32_t d)
{
    if (f.blockBytes != 0)
        return static_cast<size_t>(std::max(1u, (w + 3) / 4)) * std::max(1u, (h + 3) / 4) * f.blockBytes * d;
    return static_cast<size_t>(w) * h * d * f.bytesPerPixel;
}

} // namespace

HRESULT ReadDds(const std::uint8_t* data, size_t size, TextureData& out)
{
    if (data == nullptr)
        return E_INVALIDARG;
    if (size < 128 || std::memcmp(data, "DDS ", 4) != 0)
        return E_FAIL;
    const std::uint8_t* h = data + 4;
    if (U32(h) != 124 || U32(h + 72) != 32)
        return E_FAIL;
    const std::uint32_t flags = U32(h + 4);
    std::uint32_t height = (flags & kDdsdHeight) != 0 ? U32(h + 8) : 1;
    std::uint32_t width = (flags & kDdsdWidth) != 0 ? U32(h + 12) : 1;
    std::uint32_t depth = (flags & kDdsdDepth) != 0 ? U32(h + 20) : 1;
    std::uint32_t levels = (flags & kDdsdMipCount) != 0 ? U32(h + 24) : 1;
    if (levels == 0)
        levels = 1;
    const std::uint8_t* pf = h + 72;
    const std::uint32_t caps2 = U32(h + 108);
    Format f;
    size_t offset = 128;
    std::uint32_t arraySize = 1;
    bool cube = false;
    std::uint32_t dimension = kDimTexture2D;
    std::uint32_t dxgi = 0;
    if ((U32(pf + 4) & kPfFourCc) != 0 && U32(pf + 8) == FourCc('D', 'X', '1', '0')) {
        if (size < 148)
            return E_FAIL;
        const std::uint8_t* x = data + 128;
        dxgi = U32(x);
        dimension = U32(x + 4);
        const std::uint32_t misc = U32(x + 8);
        arraySize = U32(x + 12);
        offset = 148;
        if (arraySize == 0)
            return kErrorInvalidData;
        switch (dimension) {
        case kDimTexture1D:
            if ((flags & kDdsdHeight) != 0 && height != 1)
                return kErrorInvalidData;
            height = depth = 1;
            break;
        case kDimTexture2D:
            if ((misc & kMiscTextureCube) != 0)
                cube = true;
            depth = 1;
            break;
        case kDimTexture3D:
            if ((flags & kDdsdDepth) == 0)
                return kErrorInvalidData;
            if (arraySize > 1)
                return kErrorNotSupported;
            break;
        default:
            return kErrorInvalidData;
        }
        if (!FromDxgi(dxgi, f))
            return kErrorNotSupported;
    } else {
        if (!FromLegacy(pf, f))
            return kErrorNotSupported;
        if ((caps2 & kCaps2Volume) != 0 && (flags & kDdsdDepth) != 0) {
            dimension = kDimTexture3D;
        } else {
            depth = 1;
            if ((caps2 & kCaps2Cube) != 0) {
                // Only complete cube maps: all six faces.
                if ((caps2 & 0xFC00) != 0xFC00)
                    return kErrorNotSupported;
                cube = true;
            }
        }
    }
    if (width == 0 || height == 0 || depth == 0)
        return kErrorInvalidData;
    // The device's limits.
    if (levels > 15)
        return kErrorNotSupported;
    if (dimension == kDimTexture3D) {
        if (width > 2048 || height > 2048 || depth > 2048)
            return kErrorNotSupported;
    } else if (width > 16384 || height > 16384 || arraySize > 2048) {
        return kErrorNotSupported;
    }
    if (cube && width != height)
        return kErrorNotSupported;
    std::uint32_t maxDim = std::max({width, height, depth});
    std::uint32_t fullChain = 1;
    while (maxDim > 1) {
        maxDim >>= 1;
        ++fullChain;
    }
    if (levels > fullChain)
        return kErrorInvalidData;
    const std::uint32_t faces = cube ? 6 : 1;

    out = TextureData{};
    if (dimension == kDimTexture1D)
        out.kind = arraySize > 1 ? TextureKind::Tex1DArray : TextureKind::Tex1D;
    else if (dimension == kDimTexture3D)
        out.kind = TextureKind::Tex3D;
    else if (cube)
        out.kind = arraySize > 1 ? TextureKind::CubeArray : TextureKind::Cube;
    else
        out.kind = arraySize > 1 ? TextureKind::Tex2DArray : TextureKind::Tex2D;
    out.width = width;
    out.height = height;
    out.depth = depth;
    out.layers = arraySize * faces;
    out.levels = levels;
    out.dxgiFormat = dxgi;
    out.internalFormat = f.internalFormat;
    out.format = f.format;
    out.type = f.type;
    out.compressed = f.blockBytes != 0;
    out.integer = f.integer;
    std::copy(std::begin(f.swizzle), std::end(f.swizzle), out.swizzle);

    // Every array element (and face) holds its whole chain, largest first.
    size_t pos = offset;
    for (std::uint32_t layer = 0; layer < out.layers; ++layer) {
        std::uint32_t w = width, hh = height, d = depth;
        for (std::uint32_t level = 0; level < levels; ++level) {
            const size_t bytes = ImageSize(f, w, hh, d);
            if (pos + bytes > size || pos + bytes < pos)
                return kErrorInvalidData;
            out.images.push_back({level, layer, w, hh, d, pos - offset, bytes});
            pos += bytes;
            w = std::max(1u, w / 2);
            hh = std::max(1u, hh / 2);
            d = std::max(1u, d / 2);
        }
    }
    out.bytes.assign(data + offset, data + pos);
    return S_OK;
}

} // namespace Zorva::Renderer
