// The bitmap font: glyph atlas and its BMFont-style description.
#pragma once

#include "tools/content-builder/image.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace Zorva::Tools {

inline const char* const kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
// The atlas is 16:9, the ratio between the text units across and down, so glyphs keep their shape.
inline constexpr int kAtlasWidth = 2048;
inline constexpr int kAtlasHeight = 1152;
// Transparent border inside each glyph's rectangle, and the grid the rectangles are aligned to,
// so that the mip levels a text is drawn with do not mix neighbouring glyphs.
inline constexpr int kGlyphPadding = 4;
inline constexpr int kGlyphGrid = 8;

// Every character the four languages' texts need.
std::vector<char32_t> FontCharacters();

struct FontGlyph {
    char32_t id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    int xoffset = 0, yoffset = 0, xadvance = 0;
};

struct FontKerning {
    char32_t first = 0, second = 0;
    int amount = 0;
};

struct BitmapFont {
    int pixelSize = 0;
    int lineHeight = 0;
    int base = 0;
    std::vector<FontGlyph> glyphs; // sorted by id
    std::vector<FontKerning> kernings;
    Rgba8Image atlas; // white, coverage in alpha
};

// Renders `characters` from the font file at the largest pixel size that fits the atlas.
BitmapFont BuildBitmapFont(const std::filesystem::path& fontFile, const std::vector<char32_t>& characters);

// The description as XML text (root "font": info, common, chars, kernings).
std::string FontDescriptionXml(const BitmapFont& font);

} // namespace Zorva::Tools
