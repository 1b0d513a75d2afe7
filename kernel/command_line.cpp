#include "kernel/command_line.h"

#include "kernel/strings.h"

#include <typeinfo>

namespace Zorva {

std::vector<std::u16string> CommandLineWords;

void SetCommandLine(int argc, char** argv)
{
    CommandLineWords.clear();
    for (int i = 1; i < argc; ++i) {
        std::u16string word;
        try {
            word = Utf8ToWide(argv[i]);
        } catch (const std::bad_cast&) {
            // A word that is not UTF-8 cannot be one of ours; keep its place.
        }
        CommandLineWords.push_back(ToLower(word));
    }
}

} // namespace Zorva
