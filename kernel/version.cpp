#include "kernel/version.h"

#include "kernel/strings.h"
#include "glimmerpen_version.h"

#include <cstdio>

namespace Zorva {

std::pair<std::u16string, std::u16string> ReadVersionInfo()
{
    const char* flavour = sizeof(void*) == 8 ? (GLIMMERPEN_PRERELEASE ? "64bit.Linux.beta" : "64bit.Linux")
                                             : (GLIMMERPEN_PRERELEASE ? "32bit.Linux.beta" : "32bit.Linux");
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, "%d.%d.%d.0.%s-%s", GLIMMERPEN_VERSION_MAJOR,
                                GLIMMERPEN_VERSION_MINOR, GLIMMERPEN_VERSION_PATCH, flavour, "Zorva(n) 3.12");
    std::u16string version = (n > 0 && n < static_cast<int>(sizeof buffer)) ? Utf8ToWide(buffer) : u"Error";
    return {u"Copyright \u00a9 2026 The Glimmerpen team", version};
}

} // namespace Zorva
