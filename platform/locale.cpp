#include "platform/locale.h"

#include <cstdlib>
#include <string_view>

namespace Zorva::Platform {

std::uint16_t UserLanguageId()
{
    std::string_view value;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v != nullptr && *v != '\0') {
            value = v;
            break;
        }
    }
    if (value.starts_with("pl"))
        return 0x0415;
    if (value.starts_with("ru"))
        return 0x0419;
    if (value.starts_with("en_GB"))
        return 0x0809;
    return 0x0409;
}

} // namespace Zorva::Platform
