// The program's arguments after its name, each lower-cased (A-Z), kept for the whole run.
#pragma once

#include <string>
#include <vector>

namespace Zorva {

extern std::vector<std::u16string> CommandLineWords;
// Fills CommandLineWords from main's arguments; the first thing main does.
void SetCommandLine(int argc, char** argv);

} // namespace Zorva
