// The life of the Book process: message-display mode, the single-instance guard, the kernel object
// and the orderly end. Returns the process's exit code.
#pragma once

namespace Zorva::App {

int ApplicationMain(int argc, char** argv);

// The name of the single-instance lock.
inline constexpr const char* kInstanceLockName = "Kavrin-Colouring-Book";

} // namespace Zorva::App
