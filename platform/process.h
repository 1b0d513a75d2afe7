// Process-level services: the executable's own path, starting a second copy, ending at once.
#pragma once

#include <string>
#include <vector>

namespace Zorva::Platform {

// The resolved path of the running executable (/proc/self/exe), so a start through PATH or a
// symbolic link still finds the program's folders. Empty when it cannot be read.
std::string ExecutablePath();

// Starts `program` with `args` (not counting the program name) and does not wait for it.
// The child is reaped in the background. Returns false when the process could not be started.
bool StartProcess(const std::string& program, const std::vector<std::string>& args);

// Ends the process at once with `code`, without running destructors or exit handlers.
[[noreturn]] void ExitProcess(int code);

} // namespace Zorva::Platform
