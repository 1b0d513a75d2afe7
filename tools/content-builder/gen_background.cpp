// The blob "background": the calm picture on the windows that cover the other monitors. It goes
// to Boot, which loads before anything else, since the covering windows appear that early.
#include "tools/content-builder/generators.h"
#include "tools/content-builder/image.h"

namespace Zorva::Tools {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

const char* kFallbackBackground =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1920\" height=\"1080\" viewBox=\"0 0 1920 1080\">"
    "<defs><linearGradient id=\"sky\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
    "<stop offset=\"0\" stop-color=\"#a9d3f2\"/><stop offset=\"1\" stop-color=\"#e8f4fb\"/></linearGradient></defs>"
    "<rect width=\"1920\" height=\"1080\" fill=\"url(#sky)\"/>"
    "<path d=\"M0 820 C400 740 800 860 1200 800 C1500 760 1750 800 1920 780 V1080 H0 Z\" fill=\"#b9dfa6\"/>"
    "<path d=\"M0 900 C500 860 900 960 1400 900 C1650 870 1800 900 1920 890 V1080 H0 Z\" fill=\"#9fd18b\"/>"
    "</svg>";

} // namespace

void GenerateBackground(BuildContext& ctx) {
    const auto file = ctx.Source("textures") / "background.svg";
    Rgba8Image image;
    if (std::filesystem::exists(file)) {
        image = RenderSvgFile(file, kWidth, kHeight);
    } else {
        ctx.Warn(file.string() + " is missing: a plain sky is used");
        image = RenderSvgText(kFallbackBackground, kWidth, kHeight, "background (stand-in)");
    }
    // Opaque: flatten what the source leaves transparent onto white.
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        const unsigned a = image.pixels[i + 3];
        for (int c = 0; c < 3; ++c)
            image.pixels[i + c] = static_cast<std::uint8_t>((image.pixels[i + c] * a + 255 * (255 - a) + 127) / 255);
        image.pixels[i + 3] = 255;
    }
    ctx.AddPreview({"Textures", "background", image.width, image.height, image.pixels});
    ctx.Write(Folder::Boot, "background.zorva-blob", EncodePng(image, false));
}

} // namespace Zorva::Tools
