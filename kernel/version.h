// The program's version information, as the about page shows it.
#pragma once

#include <string>
#include <utility>

namespace Zorva {

// (legal notice, version text): the version text is major.minor.build.0.flavour-engine, for
// example "1.6.0.0.64bit.Linux-Zorva(n) 3.12"; a pre-release build's flavour ends in ".beta".
std::pair<std::u16string, std::u16string> ReadVersionInfo();

} // namespace Zorva
