// A modal error message box with a caption, shown on the user's desktop.
#pragma once

#include <string>

namespace Zorva::Platform {

// Blocks until the user closes the box. False when no box could be shown (no display).
bool ShowErrorMessageBox(const std::string& textUtf8, const std::string& captionUtf8);

} // namespace Zorva::Platform
