// Set: run by the uninstaller to remove Glimmerpen's settings for the machine and for every user.
// It opens no window and prints nothing: an unknown command or a failure beeps and exits with 1.
#include "set/remove_settings.h"

#include "platform/beep.h"
#include "platform/utf.h"

#include <string>
#include <vector>

namespace {

// The arguments after the program name, lower-cased character by character.
std::vector<std::u16string> CommandWords(int argc, char** argv)
{
    std::vector<std::u16string> words;
    for (int i = 1; i < argc; ++i) {
        std::u16string word = Zorva::Platform::DecodeUtf8(argv[i]).value_or(u"");
        for (char16_t& c : word)
            if (c >= u'A' && c <= u'Z')
                c = static_cast<char16_t>(c - u'A' + u'a');
        words.push_back(std::move(word));
    }
    return words;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const std::vector<std::u16string> words = CommandWords(argc, argv);
        const std::u16string remove = u"remove";
        for (const std::u16string& word : words)
            if (word == remove)
                return Zorva::Set::RemoveSettings();
        Zorva::Platform::Beep(Zorva::Platform::BeepKind::Default);
        return 1;
    } catch (...) {
        Zorva::Platform::Beep(Zorva::Platform::BeepKind::Default);
        return 1;
    }
}
