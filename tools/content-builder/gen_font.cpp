// The font texture "dialog_font" and its description, both in Boot2: the world's first texts are
// laid out as soon as Boot2 has loaded, and the glyph table is emptied after every layout, so
// the description must come from a folder that a settings change loads again.
#include "tools/content-builder/dds.h"
#include "tools/content-builder/font.h"
#include "tools/content-builder/generators.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace Zorva::Tools {
namespace {

struct Rendered {
    char32_t id;
    int width, height; // bitmap
    int left, top;     // bearing
    int advance;
    std::vector<std::uint8_t> coverage;
};

class FreeTypeFace {
public:
    explicit FreeTypeFace(const std::filesystem::path& file) {
        if (FT_Init_FreeType(&library_))
            throw BuildError("cannot start FreeType");
        if (FT_New_Face(library_, file.c_str(), 0, &face_)) {
            FT_Done_FreeType(library_);
            throw BuildError("cannot open the font " + file.string());
        }
    }
    ~FreeTypeFace() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    FT_Face operator->() const { return face_; }
    FT_Face get() const { return face_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

int AlignUp(int v) { return (v + kGlyphGrid - 1) / kGlyphGrid * kGlyphGrid; }

// Shelf packing, tallest first. Returns false when the glyphs do not fit.
bool Pack(const std::vector<Rendered>& glyphs, std::vector<FontGlyph>& placed) {
    std::vector<std::size_t> order(glyphs.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return glyphs[a].height > glyphs[b].height; });
    placed.assign(glyphs.size(), {});
    int x = 0, y = 0, rowHeight = 0;
    for (std::size_t i : order) {
        const Rendered& g = glyphs[i];
        FontGlyph& out = placed[i];
        out.id = g.id;
        if (g.width == 0 || g.height == 0)
            continue; // nothing to draw (a space): an empty rectangle at 0, 0
        const int w = g.width + 2 * kGlyphPadding, h = g.height + 2 * kGlyphPadding;
        if (x + w > kAtlasWidth) {
            x = 0;
            y += AlignUp(rowHeight + kGlyphGrid);
            rowHeight = 0;
        }
        if (y + h > kAtlasHeight)
            return false;
        out.x = x;
        out.y = y;
        out.width = w;
        out.height = h;
        x += AlignUp(w + kGlyphGrid);
        rowHeight = std::max(rowHeight, h);
    }
    return true;
}

} // namespace

std::vector<char32_t> FontCharacters() {
    std::vector<char32_t> out;
    for (char32_t c = 0x20; c <= 0x7E; ++c)
        out.push_back(c);
    for (char32_t c = 0xA0; c <= 0xFF; ++c)
        out.push_back(c);
    // Polish letters beyond Latin-1.
    for (char32_t c : {0x104, 0x105, 0x106, 0x107, 0x118, 0x119, 0x141, 0x142, 0x143, 0x144, 0x15A, 0x15B, 0x179,
                       0x17A, 0x17B, 0x17C})
        out.push_back(c);
    // The Russian alphabet with Ё and ё.
    out.push_back(0x401);
    for (char32_t c = 0x410; c <= 0x44F; ++c)
        out.push_back(c);
    out.push_back(0x451);
    // Dashes, quotes, ellipsis, euro and numero sign used in running text.
    for (char32_t c : {0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E, 0x2026, 0x20AC, 0x2116})
        out.push_back(c);
    std::sort(out.begin(), out.end());
    return out;
}

BitmapFont BuildBitmapFont(const std::filesystem::path& fontFile, const std::vector<char32_t>& characters) {
    FreeTypeFace face(fontFile);
    for (int size = 96; size >= 24; size -= 4) {
        if (FT_Set_Pixel_Sizes(face.get(), 0, size))
            throw BuildError("cannot size the font");
        std::vector<Rendered> glyphs;
        for (char32_t c : characters) {
            const FT_UInt index = FT_Get_Char_Index(face.get(), c);
            if (index == 0)
                throw BuildError("the font has no glyph for U+" + std::to_string(static_cast<unsigned>(c)));
            if (FT_Load_Glyph(face.get(), index, FT_LOAD_NO_HINTING | FT_LOAD_RENDER))
                throw BuildError("cannot render U+" + std::to_string(static_cast<unsigned>(c)));
            const FT_GlyphSlot slot = face->glyph;
            Rendered r{c, static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows), slot->bitmap_left,
                       slot->bitmap_top, static_cast<int>(std::lround(slot->linearHoriAdvance / 65536.0)), {}};
            r.coverage.resize(static_cast<std::size_t>(r.width) * r.height);
            for (int y = 0; y < r.height; ++y)
                for (int x = 0; x < r.width; ++x)
                    r.coverage[y * r.width + x] = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
            glyphs.push_back(std::move(r));
        }
        std::vector<FontGlyph> placed;
        if (!Pack(glyphs, placed))
            continue;

        BitmapFont font;
        font.pixelSize = size;
        font.lineHeight = static_cast<int>(std::lround(face->size->metrics.height / 64.0));
        font.base = static_cast<int>(std::lround(face->size->metrics.ascender / 64.0));
        font.atlas.width = kAtlasWidth;
        font.atlas.height = kAtlasHeight;
        font.atlas.pixels.assign(static_cast<std::size_t>(kAtlasWidth) * kAtlasHeight * 4, 0);
        for (std::size_t i = 0; i < font.atlas.pixels.size(); i += 4)
            font.atlas.pixels[i] = font.atlas.pixels[i + 1] = font.atlas.pixels[i + 2] = 255;
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            const Rendered& g = glyphs[i];
            FontGlyph out = placed[i];
            out.xadvance = g.advance;
            if (out.width > 0) {
                out.xoffset = g.left - kGlyphPadding;
                out.yoffset = font.base - g.top - kGlyphPadding;
                for (int y = 0; y < g.height; ++y)
                    for (int x = 0; x < g.width; ++x)
                        font.atlas.At(out.x + kGlyphPadding + x, out.y + kGlyphPadding + y)[3] =
                            g.coverage[y * g.width + x];
            }
            font.glyphs.push_back(out);
        }
        if (FT_HAS_KERNING(face.get())) {
            for (char32_t a : characters)
                for (char32_t b : characters) {
                    FT_Vector delta{};
                    if (FT_Get_Kerning(face.get(), FT_Get_Char_Index(face.get(), a), FT_Get_Char_Index(face.get(), b),
                                       FT_KERNING_UNSCALED, &delta))
                        continue;
                    const int amount =
                        static_cast<int>(std::lround(static_cast<double>(delta.x) * size / face->units_per_EM));
                    if (amount != 0)
                        font.kernings.push_back({a, b, amount});
                }
        }
        return font;
    }
    throw BuildError("the font does not fit the atlas even at its smallest size");
}

std::string FontDescriptionXml(const BitmapFont& font) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<font>\n";
    char line[256];
    std::snprintf(line, sizeof line,
                  "  <info face=\"DejaVu Sans\" size=\"%d\" bold=\"1\" italic=\"0\" unicode=\"1\" padding=\"%d,%d,%d,%d\" "
                  "spacing=\"%d,%d\"/>\n",
                  font.pixelSize, kGlyphPadding, kGlyphPadding, kGlyphPadding, kGlyphPadding, kGlyphGrid, kGlyphGrid);
    xml += line;
    std::snprintf(line, sizeof line,
                  "  <common lineHeight=\"%d\" base=\"%d\" scaleW=\"%d\" scaleH=\"%d\" pages=\"1\" packed=\"0\"/>\n",
                  font.lineHeight, font.base, font.atlas.width, font.atlas.height);
    xml += line;
    xml += "  <pages>\n    <page id=\"0\" file=\"dialog_font\"/>\n  </pages>\n";
    xml += "  <chars count=\"" + std::to_string(font.glyphs.size()) + "\">\n";
    for (const FontGlyph& g : font.glyphs) {
        std::snprintf(line, sizeof line,
                      "    <char id=\"%u\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" xoffset=\"%d\" yoffset=\"%d\" "
                      "xadvance=\"%d\" page=\"0\" chnl=\"15\"/>\n",
                      static_cast<unsigned>(g.id), g.x, g.y, g.width, g.height, g.xoffset, g.yoffset, g.xadvance);
        xml += line;
    }
    xml += "  </chars>\n";
    xml += "  <kernings count=\"" + std::to_string(font.kernings.size()) + "\">\n";
    for (const FontKerning& k : font.kernings) {
        std::snprintf(line, sizeof line, "    <kerning first=\"%u\" second=\"%u\" amount=\"%d\"/>\n",
                      static_cast<unsigned>(k.first), static_cast<unsigned>(k.second), k.amount);
        xml += line;
    }
    xml += "  </kernings>\n</font>\n";
    return xml;
}

void GenerateFont(BuildContext& ctx) {
    const BitmapFont font = BuildBitmapFont(kFontFile, FontCharacters());
    std::printf("font dialog_font: %zu glyphs at %d px, line %d, %zu kerning pairs\n", font.glyphs.size(),
                font.pixelSize, font.lineHeight, font.kernings.size());
    ctx.Write(Folder::Boot2, "dialog_font.zorva-tex",
              EncodeDdsRgba8(BuildMipChain(font.atlas, false), DxgiFormat::R8G8B8A8_UNORM));
    const std::string xml = FontDescriptionXml(font);
    ctx.Write(Folder::Boot2, "dialog_font.zorva-db", std::vector<std::uint8_t>(xml.begin(), xml.end()));
    ctx.AddPreview({"Font", "dialog_font", font.atlas.width, font.atlas.height, font.atlas.pixels});
}

} // namespace Zorva::Tools
