#include "app/application.h"

#include "file/searcher.h"
#include "kernel/command_line.h"
#include "kernel/exceptions.h"
#include "kernel/folders.h"
#include "kernel/persistent_singleton.h"
#include "kernel/strings.h"
#include "platform/beep.h"
#include "platform/folders.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"

#include <memory>
#include <optional>
#include <typeinfo>

namespace Zorva::App {
namespace {

// "+msg" anywhere among exactly three arguments: show the hex-encoded text and caption.
std::optional<int> MessageDisplayMode(int argc, char** argv)
{
    if (argc != 4)
        return std::nullopt;
    bool found = false;
    for (const std::u16string& word : CommandLineWords)
        found = found || word == u"+msg";
    if (!found)
        return std::nullopt;
    auto decode = [](const char* arg) {
        try {
            return WideToUtf8(HexDecodeText(Utf8ToWide(arg)));
        } catch (const std::bad_cast&) {
            return std::string();
        }
    };
    return Platform::ShowErrorMessageBox(decode(argv[2]), decode(argv[3])) ? 0 : 1;
}

int RunProgram()
{
    // The user folders may exist already; failures here are not errors.
    Platform::MakeFolderTree(WideToUtf8(GetUserVersionFolder()));

    Kernel::CPersistentSingleton kernel;
    // Resources load while the window is made.
    kernel.searcher->Post();
    return 0;
}

} // namespace

int ApplicationMain(int argc, char** argv)
{
    SetCommandLine(argc, argv);
    if (std::optional<int> shown = MessageDisplayMode(argc, argv))
        return *shown;

    int result = 0;
    OuterFrame([&] {
        Platform::InstanceLock lock;
        if (!lock.Acquire(kInstanceLockName)) {
            Platform::Beep(Platform::BeepKind::Exclamation);
            result = 1;
            return;
        }
        result = RunProgram();
    });
    return ErrorReported.load() ? 1 : result;
}

} // namespace Zorva::App
