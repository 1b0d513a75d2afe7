// Text: strings laid out with the bitmap font into coloured, textured quads, collected by a text
// drawable and built once into one mesh.
#pragma once

#include "renderer/resources.h"
#include "renderer/scene.h"

#include <string>

namespace Zorva::Kernel {
struct CFontMetrics;
}

namespace Zorva::GUI {

// A drawable of laid-out text ("font" shaders, the font texture in pixel-shader slot 3); it draws
// in its parent's units.
class CText2Texture : public Renderer::CZorvaShaderGeneric0 {
public:
    CText2Texture();
    Renderer::CVertices<Renderer::VERTEXFONT> collection;
};

struct TextColour {
    float r, g, b, a;
};

// The layout itself: the string's glyph quads into a collection, with the font metrics given.
void LayoutText(Renderer::CVertices<Renderer::VERTEXFONT>& collection, const Kernel::CFontMetrics& font,
                float scale, TextColour colour, float row, float column, std::u16string_view string);

// Lays the string out at (row, column) in text units: scene y = row x 0.5625, scene x = -column.
void AddText(CText2Texture& text, float scale, TextColour colour, float row, float column,
             std::u16string_view string);
// Uploads what was collected as the drawable's mesh and empties the collection.
void BuildText(CText2Texture& text);

} // namespace Zorva::GUI
