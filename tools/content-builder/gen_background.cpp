// The blob "background": the calm picture on the windows that cover the other monitors. It goes
// to Boot, which loads before anything else, since the covering windows appear that early.
#include "tools/content-builder/generators.h"
#include "tools/content-builder/image.h"

namespace Zorva::Tools {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

} // namespace

void GenerateBackground(BuildContext& ctx) {
    const auto file = ctx.Source("textures") / "background.svg";
    if (!std::filesystem::exists(file))
        throw BuildError(file.string() + " is missing");
    Rgba8Image image = RenderSvgFile(file, kWidth, kHeight);
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
