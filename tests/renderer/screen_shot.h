// A screenshot of the whole X screen kept as RGB bytes, for checking many pixels at once.
#pragma once

#include "tests/support/test_support.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace Zorva::Testing {

struct ScreenShot {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    Pixel At(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    // Counts the pixels of a square around (x, y) that satisfy the predicate.
    template <class F>
    int Count(int x, int y, int radius, F&& predicate) const
    {
        int n = 0;
        for (int yy = std::max(0, y - radius); yy <= std::min(height - 1, y + radius); ++yy)
            for (int xx = std::max(0, x - radius); xx <= std::min(width - 1, x + radius); ++xx)
                n += predicate(At(xx, yy)) ? 1 : 0;
        return n;
    }
};

// Saves the screen as `png` (kept for a person to look at) and reads it back.
std::optional<ScreenShot> TakeScreenShot(const std::filesystem::path& png);

} // namespace Zorva::Testing
