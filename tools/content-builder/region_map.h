// Turning a line drawing into the region map the canvas colours.
#pragma once

#include "tools/content-builder/image.h"

#include <cstdint>
#include <vector>

namespace Zorva::Tools {

// Pictures are rasterised at this size: landscape, the aspect ratio of the printed page.
inline constexpr int kPictureWidth = 1400;
inline constexpr int kPictureHeight = 990;
// Region numbers must stay below this (the palette uploads that many entries each frame).
inline constexpr int kMaxRegions = 1024;
// Enclosed areas smaller than this many texels are anti-aliasing specks, not places to colour.
inline constexpr int kMinRegionArea = 40;

struct RegionMap {
    int width = 0;
    int height = 0;
    // (region << 4) | ink coverage in 0..15; region 0 is the outline.
    std::vector<std::uint16_t> texels;
    int regions = 0;      // colourable regions, numbered 1..regions
    int smallestArea = 0; // texels of the smallest colourable region
    int specks = 0;       // small enclosed areas merged into the outline
};

// `drawing` is flattened onto white first; ink is whatever is darker than mid-grey.
RegionMap BuildRegionMap(const Rgba8Image& drawing);

// The map in false colour: every region its own colour, the outline black.
Rgba8Image FalseColour(const RegionMap& map);

} // namespace Zorva::Tools
