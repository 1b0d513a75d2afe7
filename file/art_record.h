// One picture of the colouring book as the content store keeps it, and the region colour type.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Zorva::GUI {

// One region's colour: red, green, blue, alpha. The canvas derives a fading colour from it.
class CColorIdxGeneric {
public:
    CColorIdxGeneric() = default;
    CColorIdxGeneric(float red, float green, float blue, float alpha) : r(red), g(green), b(blue), a(alpha) {}
    virtual void Assign(float red, float green, float blue, float alpha)
    {
        r = red;
        g = green;
        b = blue;
        a = alpha;
    }
    virtual ~CColorIdxGeneric() = default;
    CColorIdxGeneric(const CColorIdxGeneric&) = default;
    CColorIdxGeneric& operator=(const CColorIdxGeneric&) = default;

    bool IsOpaqueWhite() const { return r == 1.0f && g == 1.0f && b == 1.0f && a == 1.0f; }

    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

} // namespace Zorva::GUI

namespace Zorva::File {

inline constexpr std::size_t kRegionCount = 4096;

struct ArtRecord {
    // Region 0, the outline, starts opaque black; every other region opaque white.
    ArtRecord();

    std::vector<GUI::CColorIdxGeneric> colours;
    // The decompressed picture (a DDS image); empty until needed.
    std::vector<std::uint8_t> pixels;
    // The decrypted container image (header and bzip2 stream), kept for the whole run.
    std::vector<std::uint8_t> packed;
};

// An entry of the picture map: the resource name and its record.
using PictureEntry = std::pair<const std::u16string, ArtRecord>;

} // namespace Zorva::File
