// The system's text for a result code: strerror for folded system errors, a small table for the
// codes the program itself uses. Empty when the system has no text for the code.
#pragma once

#include "platform/hresult.h"

#include <cstdint>
#include <string>

namespace Zorva::Platform {

std::string SystemErrorText(HRESULT code, std::uint16_t languageId);

} // namespace Zorva::Platform
