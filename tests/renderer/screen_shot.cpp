#include "tests/renderer/screen_shot.h"

#include <cstdio>
#include <string>

namespace Zorva::Testing {

std::optional<ScreenShot> TakeScreenShot(const std::filesystem::path& png)
{
    if (!Screenshot(png))
        return std::nullopt;
    ScreenShot shot;
    const std::string size = Capture("/usr/bin/identify -format '%w %h' " + png.string() + " 2>/dev/null");
    if (std::sscanf(size.c_str(), "%d %d", &shot.width, &shot.height) != 2)
        return std::nullopt;
    const std::string raw = Capture("/usr/bin/convert " + png.string() + " -depth 8 rgb:- 2>/dev/null");
    if (raw.size() != static_cast<size_t>(shot.width) * static_cast<size_t>(shot.height) * 3)
        return std::nullopt;
    shot.rgb.assign(raw.begin(), raw.end());
    return shot;
}

} // namespace Zorva::Testing
