#include "kernel/font_metrics.h"

namespace Zorva::Kernel {

CFontMetrics::CFontMetrics() : glyphs(8)
{
    glyphs.max_load_factor(1.0f);
}

void CFontMetrics::ClearGlyphs()
{
    std::unordered_map<std::uint16_t, Glyph> empty(8);
    empty.max_load_factor(1.0f);
    glyphs.swap(empty);
}

} // namespace Zorva::Kernel
