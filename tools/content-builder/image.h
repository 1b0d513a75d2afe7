// Images as the generators handle them: rasterised SVG, sRGB conversions, mip chains, PNG.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace Zorva::Tools {

// Straight (not premultiplied) RGBA8, top row first.
struct Rgba8Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 4

    std::uint8_t* At(int x, int y) { return &pixels[(static_cast<std::size_t>(y) * width + x) * 4]; }
    const std::uint8_t* At(int x, int y) const { return &pixels[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

// Renders an SVG document scaled to exactly width x height (the document's own aspect ratio is
// kept and centred). With an opaque background colour the result is flattened onto it.
Rgba8Image RenderSvgFile(const std::filesystem::path& file, int width, int height);
Rgba8Image RenderSvgText(const std::string& svg, int width, int height, const std::string& what);

// The document's intrinsic size in pixels, as its width/height or viewBox says.
void SvgSize(const std::filesystem::path& file, double& width, double& height);

float SrgbToLinear(std::uint8_t v);
std::uint8_t LinearToSrgb(float v);

// The full mip chain of a colour texture, level 0 first, down to 1 x 1. Each level is a 2 x 2 box
// filter of the one above it, computed in linear light and weighted by alpha so that colour of
// transparent texels does not leak in; the result stays straight alpha. `srgb` false filters the
// channels as they are (linear data such as coverage).
std::vector<Rgba8Image> BuildMipChain(const Rgba8Image& base, bool srgb);

// Gives fully transparent texels the colour of their nearest visible neighbours, so that filtering
// across an edge blends towards the edge's colour instead of black.
void BleedColour(Rgba8Image& image);

// A PNG file's bytes: 8-bit RGBA, fixed compression, no time or text chunks.
std::vector<std::uint8_t> EncodePng(const Rgba8Image& image, bool withAlpha);

// Scales an image down (or up) with a box/bilinear filter; for previews.
Rgba8Image Resize(const Rgba8Image& image, int width, int height);

} // namespace Zorva::Tools
