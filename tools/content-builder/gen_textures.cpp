// Colour textures: the button icons (Auto, a size per quality level), the logo (Auto), the wooden desk
// (Boot2, a size per quality level, drawn as soon as the world exists) and "ghost", the fully
// transparent texture a pane shows before it has a picture (Boot2, for the same reason).
#include "tools/content-builder/dds.h"
#include "tools/content-builder/generators.h"

#include <algorithm>
#include <cstdio>

namespace Zorva::Tools {
namespace {

// The icons' resource names; each has its source content/icons/<name>.svg.
const char* const kIcons[] = {"left", "right", "wrist", "exit",    "setup", "speaker", "mute",  "help", "new",
                              "print", "no",  "ok",    "(c)",  "i", "checked", "dummy",   "radio"};

// Icon sizes for quality levels 0, 1, 2.
constexpr int kIconSizes[3] = {128, 192, 256};
constexpr int kLogoSize = 512; // the logo covers a quarter of the screen's width
// The wood tile: one repeat covers 256 screen pixels.
constexpr int kWoodSizes[3] = {256, 512, 1024};

std::vector<std::uint8_t> ColourTexture(Rgba8Image image) {
    BleedColour(image);
    std::vector<Rgba8Image> levels = BuildMipChain(image, true);
    for (std::size_t i = 1; i < levels.size(); ++i)
        BleedColour(levels[i]);
    return EncodeDdsRgba8(levels, DxgiFormat::R8G8B8A8_UNORM_SRGB);
}

// A shipped texture without its source is a broken content tree: the build stops.
Rgba8Image RenderSource(const std::filesystem::path& file, int width, int height) {
    if (!std::filesystem::exists(file))
        throw BuildError(file.string() + " is missing");
    return RenderSvgFile(file, width, height);
}

} // namespace

void GenerateTextures(BuildContext& ctx) {
    for (const char* icon : kIcons) {
        const std::filesystem::path file = ctx.Source("icons") / (std::string(icon) + ".svg");
        for (int level = 0; level < 3; ++level) {
            const int size = kIconSizes[level];
            Rgba8Image image = RenderSource(file, size, size);
            if (level == 2)
                ctx.AddPreview({"Icons", icon, image.width, image.height, image.pixels});
            ctx.Write(Folder::Auto + "/" + Folder::QualityLevels[level], std::string(icon) + ".zorva-tex",
                      ColourTexture(std::move(image)));
        }
    }

    // One size of the logo serves every level; it also keeps Auto itself from being empty.
    const auto logo = ctx.Source("icons") / "logo.svg";
    Rgba8Image logoImage = RenderSource(logo, kLogoSize, kLogoSize);
    ctx.AddPreview({"Icons", "logo", logoImage.width, logoImage.height, logoImage.pixels});
    ctx.Write(Folder::Auto, "logo.zorva-tex", ColourTexture(std::move(logoImage)));

    const auto wood = ctx.Source("textures") / "wood.svg";
    for (int level = 0; level < 3; ++level) {
        Rgba8Image image = RenderSource(wood, kWoodSizes[level], kWoodSizes[level]);
        // The desk is opaque: anything the source leaves uncovered takes the nearest colour.
        BleedColour(image);
        for (std::size_t i = 3; i < image.pixels.size(); i += 4)
            image.pixels[i] = 255;
        if (level == 1 && ctx.CollectPreview()) {
            // Four tiles side by side, so a seam would show.
            Rgba8Image tiled;
            tiled.width = image.width * 2;
            tiled.height = image.height * 2;
            tiled.pixels.resize(static_cast<std::size_t>(tiled.width) * tiled.height * 4);
            for (int y = 0; y < tiled.height; ++y)
                for (int x = 0; x < tiled.width; ++x)
                    std::copy_n(image.At(x % image.width, y % image.height), 4, tiled.At(x, y));
            ctx.AddPreview({"Textures", "wood (2 x 2 tiles)", tiled.width, tiled.height, tiled.pixels});
        }
        ctx.Write(Folder::Boot2 + "/" + Folder::QualityLevels[level], "wood.zorva-tex", ColourTexture(std::move(image)));
    }

    Rgba8Image ghost;
    ghost.width = ghost.height = 4;
    ghost.pixels.assign(4 * 4 * 4, 0);
    ctx.Write(Folder::Boot2, "ghost.zorva-tex", ColourTexture(std::move(ghost)));
}

} // namespace Zorva::Tools
