// Diagnostic output for developers: one line of text to standard error.
#pragma once

#include <string_view>

namespace Zorva::Platform {

void DebugOutput(std::string_view utf8);

} // namespace Zorva::Platform
