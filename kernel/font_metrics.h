// The bitmap font's metrics, filled from the font description while resources load.
#pragma once

#include <cstdint>
#include <unordered_map>

namespace Zorva::Kernel {

// Every length is a fraction of the font texture's size; rect and offset are vertical first.
struct Glyph {
    std::unordered_map<std::uint16_t, float> kernings; // following character -> amount
    float rect[4] = {};                                // y, x, width, height
    float offset[2] = {};                              // yoffset, xoffset
    float advance = 0.0f;
};

struct CFontMetrics {
    CFontMetrics();
    // Frees every glyph and shrinks the map back to its initial buckets; the scales stay.
    void ClearGlyphs();

    std::unordered_map<std::uint16_t, Glyph> glyphs;
    float invScaleH = 0.0f;
    float invScaleW = 0.0f;
    float lineHeight = 0.0f;
};

} // namespace Zorva::Kernel
