// Colour textures: the button icons (Auto, a size per quality level), the logo (Auto), the wooden desk
// (Boot2, a size per quality level, drawn as soon as the world exists) and "ghost", the fully
// transparent stand-in a pane shows before it has a picture (Boot2, for the same reason).
#include "tools/content-builder/dds.h"
#include "tools/content-builder/generators.h"

#include <algorithm>
#include <cstdio>

namespace Zorva::Tools {
namespace {

struct IconSpec {
    const char* name;       // resource name
    const char* altName;    // another file name the source may have, or nullptr
    const char* fallback;   // a symbol drawn when the source is missing
};

const IconSpec kIcons[] = {
    {"left", nullptr, "\u2190"},     {"right", nullptr, "\u2192"},  {"wrist", "hand", "\u261B"},
    {"exit", nullptr, "\u2715"},     {"setup", nullptr, "\u2699"},  {"speaker", nullptr, "\u266B"},
    {"mute", nullptr, "\u00D7"},     {"help", nullptr, "?"},        {"new", nullptr, "\u2606"},
    {"print", nullptr, "\u2399"},    {"no", nullptr, "\u21B6"},     {"ok", nullptr, "\u2714"},
    {"(c)", "copyright", "\u00A9"}, {"i", "info", "i"},            {"checked", nullptr, "\u2714"},
    {"dummy", nullptr, ""},          {"radio", nullptr, "\u25CF"},
};

// Icon sizes for quality levels 0, 1, 2.
constexpr int kIconSizes[3] = {128, 192, 256};
constexpr int kLogoSize = 512; // the logo covers a quarter of the screen's width
// The wood tile: one repeat covers 256 screen pixels.
constexpr int kWoodSizes[3] = {256, 512, 1024};

std::string FallbackIconSvg(const std::string& symbol) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">"
           "<circle cx=\"128\" cy=\"128\" r=\"112\" fill=\"#ffffff\" stroke=\"#303030\" stroke-width=\"12\"/>"
           "<text x=\"128\" y=\"176\" font-family=\"DejaVu Sans\" font-weight=\"bold\" font-size=\"140\" "
           "text-anchor=\"middle\" fill=\"#303030\">" +
           symbol + "</text></svg>";
}

const char* kFallbackLogo =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"512\" height=\"512\" viewBox=\"0 0 512 512\">"
    "<circle cx=\"256\" cy=\"256\" r=\"230\" fill=\"#ffd54f\" stroke=\"#5d4037\" stroke-width=\"16\"/>"
    "<path d=\"M256 96 L300 210 L420 214 L326 288 L360 404 L256 336 L152 404 L186 288 L92 214 L212 210 Z\" "
    "fill=\"#ff7043\" stroke=\"#5d4037\" stroke-width=\"14\" stroke-linejoin=\"round\"/></svg>";

// Warm planks with soft grain; the pattern repeats exactly every 512 units both ways.
const char* kFallbackWood =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"512\" height=\"512\" viewBox=\"0 0 512 512\">"
    "<rect width=\"512\" height=\"512\" fill=\"#b9804a\"/>"
    "<rect y=\"0\" width=\"512\" height=\"128\" fill=\"#c28a52\"/>"
    "<rect y=\"256\" width=\"512\" height=\"128\" fill=\"#b27843\"/>"
    "<g stroke=\"#8d5a2e\" stroke-width=\"4\" fill=\"none\" opacity=\"0.6\">"
    "<path d=\"M0 40 C128 30 384 50 512 40\"/><path d=\"M0 90 C128 100 384 80 512 90\"/>"
    "<path d=\"M0 170 C128 160 384 180 512 170\"/><path d=\"M0 220 C128 230 384 210 512 220\"/>"
    "<path d=\"M0 300 C128 290 384 310 512 300\"/><path d=\"M0 350 C128 360 384 340 512 350\"/>"
    "<path d=\"M0 430 C128 420 384 440 512 430\"/><path d=\"M0 480 C128 490 384 470 512 480\"/></g>"
    "<g stroke=\"#6d4322\" stroke-width=\"6\"><path d=\"M0 128 H512 M0 256 H512 M0 384 H512 M0 512 H512 M0 0 H512\"/></g>"
    "</svg>";

std::vector<std::uint8_t> ColourTexture(Rgba8Image image) {
    BleedColour(image);
    std::vector<Rgba8Image> levels = BuildMipChain(image, true);
    for (std::size_t i = 1; i < levels.size(); ++i)
        BleedColour(levels[i]);
    return EncodeDdsRgba8(levels, DxgiFormat::R8G8B8A8_UNORM_SRGB);
}

// Renders a source if it exists, else the fallback (with a warning).
Rgba8Image RenderSource(BuildContext& ctx, const std::filesystem::path& file, const std::string& fallbackSvg,
                        int width, int height, bool warn) {
    if (std::filesystem::exists(file))
        return RenderSvgFile(file, width, height);
    if (warn)
        ctx.Warn(file.string() + " is missing: a plain stand-in is used");
    return RenderSvgText(fallbackSvg, width, height, file.string() + " (stand-in)");
}

} // namespace

void GenerateTextures(BuildContext& ctx) {
    for (const IconSpec& icon : kIcons) {
        std::filesystem::path file = ctx.Source("icons") / (std::string(icon.name) + ".svg");
        if (!std::filesystem::exists(file) && icon.altName) {
            const auto alt = ctx.Source("icons") / (std::string(icon.altName) + ".svg");
            if (std::filesystem::exists(alt))
                file = alt;
        }
        for (int level = 0; level < 3; ++level) {
            const int size = kIconSizes[level];
            Rgba8Image image = RenderSource(ctx, file, FallbackIconSvg(icon.fallback), size, size, level == 0);
            if (level == 2)
                ctx.AddPreview({"Icons", icon.name, image.width, image.height, image.pixels});
            ctx.Write(Folder::Auto + "/" + Folder::QualityLevels[level], std::string(icon.name) + ".zorva-tex",
                      ColourTexture(std::move(image)));
        }
    }

    // One size of the logo serves every level; it also keeps Auto itself from being empty.
    const auto logo = ctx.Source("icons") / "logo.svg";
    Rgba8Image logoImage = RenderSource(ctx, logo, kFallbackLogo, kLogoSize, kLogoSize, true);
    ctx.AddPreview({"Icons", "logo", logoImage.width, logoImage.height, logoImage.pixels});
    ctx.Write(Folder::Auto, "logo.zorva-tex", ColourTexture(std::move(logoImage)));

    const auto wood = ctx.Source("textures") / "wood.svg";
    for (int level = 0; level < 3; ++level) {
        Rgba8Image image = RenderSource(ctx, wood, kFallbackWood, kWoodSizes[level], kWoodSizes[level], level == 0);
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
