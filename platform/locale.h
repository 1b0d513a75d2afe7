// The user's language from the environment (LC_ALL, then LC_MESSAGES, then LANG).
#pragma once

#include <cstdint>

namespace Zorva::Platform {

// 0x0415 for Polish, 0x0419 for Russian, 0x0809 for British English, otherwise 0x0409.
std::uint16_t UserLanguageId();

} // namespace Zorva::Platform
