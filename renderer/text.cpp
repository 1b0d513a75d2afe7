#include "renderer/text.h"

#include "kernel/font_metrics.h"
#include "kernel/persistent_singleton.h"

namespace Zorva::GUI {

using Renderer::VERTEXFONT;

namespace {
constexpr size_t kMaxVertices = 65535 / sizeof(VERTEXFONT);
}

CText2Texture::CText2Texture() : CZorvaShaderGeneric0(3, u"ghost") {}

void AddText(CText2Texture& text, float scale, TextColour colour, float row, float column,
             std::u16string_view string)
{
    LayoutText(text.collection, *Kernel::Singleton().fontMetrics, scale, colour, row, column, string);
}

void LayoutText(Renderer::CVertices<Renderer::VERTEXFONT>& collection, const Kernel::CFontMetrics& font,
                float scale, TextColour colour, float row, float column, std::u16string_view string)
{
    collection.Reserve(string.size() * 4, string.size() * 6);
    float pen = column;
    float line = row;
    const float s = scale;
    for (size_t i = 0; i < string.size(); ++i) {
        const char16_t c = string[i];
        if (c == u'\n') {
            pen = column;
            line -= font.lineHeight * 1.02f * scale;
            continue;
        }
        const auto it = font.glyphs.find(static_cast<std::uint16_t>(c));
        // A character the font does not have is left out.
        if (it == font.glyphs.end())
            continue;
        // A text drawable holds at most 2047 vertices (65535 bytes): longer text is cut here,
        // so no index ever points past the mesh.
        if (collection.vertices.size() + 4 > kMaxVertices)
            break;
        const Kernel::Glyph& g = it->second;
        const float gy = g.rect[0], gx = g.rect[1], gw = g.rect[2], gh = g.rect[3];
        const float yoffset = g.offset[0], xoffset = g.offset[1];
        const float x0 = -pen - s * xoffset;
        const float y0 = (line - s * yoffset) * 0.5625f;
        const float x1 = x0 - s * gw;
        const float y1 = y0 - s * 0.5625f * gh;
        auto vertex = [&](float x, float y, float u, float v) {
            return VERTEXFONT{{x, y, u, v}, {colour.r, colour.g, colour.b, colour.a}};
        };
        const VERTEXFONT a = vertex(x0, y0, gx, gy), b = vertex(x1, y0, gx + gw, gy),
                         cc = vertex(x1, y1, gx + gw, gy + gh), d = vertex(x0, y1, gx, gy + gh);
        collection.AddTriangle(a, b, cc);
        collection.AddTriangle(a, cc, d);
        float kerning = 0.0f;
        if (i + 1 < string.size()) {
            const auto k = g.kernings.find(static_cast<std::uint16_t>(string[i + 1]));
            if (k != g.kernings.end())
                kerning = k->second;
        }
        pen += (kerning + g.advance) * s;
    }
}

void BuildText(CText2Texture& text)
{
    auto& c = text.collection;
    text.SetMesh(Renderer::UploadMesh(c.indices.data(), static_cast<std::uint32_t>(c.indices.size()),
                                      Renderer::kIndex16, c.vertices.data(), c.vertices.size() * sizeof(VERTEXFONT)));
    c.Clear();
}

} // namespace Zorva::GUI
