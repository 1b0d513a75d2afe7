#include "app/application.h"

#include "app/shell.h"
#include "audio/permanent_audio.h"
#include "book/world.h"
#include "file/loading.h"
#include "file/searcher.h"
#include "renderer/device.h"
#include "renderer/render_thread.h"
#include "renderer/resources.h"
#include "renderer/scene.h"
#include "platform/main_window.h"

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
    // The renderer takes its resource kinds before anything loads.
    Renderer::InstallKindHooks();
    // Resources load while the window is made.
    kernel.searcher->Post();

    // The main window, the render thread and the message loop.
    Book::InstallSceneFactories();
    Renderer::InstallSceneHooks();
    Renderer::DeviceState().hooks.confinePointer = ConfinePointer;
    Renderer::DeviceState().hooks.waitForLoading = [] {
        if (File::CFileSearcher* searcher = Kernel::Singleton().searcher.get(); searcher != nullptr)
            searcher->WaitUntilDone();
    };
    Renderer::FrameHooks& frame = Renderer::GetFrameHooks();
    frame.duckMusic = [] {
        if (Audio::CPermanentAudio* audio = Kernel::Singleton().audio.get(); audio != nullptr)
            audio->DuckMusicForNarration();
    };
    frame.loadingStep = [](std::uint32_t stage) {
        File::LoadingCallbacks callbacks;
        callbacks.buildWorld = Renderer::BuildWorldStep;
        callbacks.buildPages = Renderer::BuildPagesStep;
        callbacks.resetBindingCaches = Renderer::ResetBindingCaches;
        File::AdvanceLoading(stage, callbacks);
    };
    frame.applyMuteSetting = [] {
        if (Audio::CPermanentAudio* audio = Kernel::Singleton().audio.get(); audio != nullptr)
            audio->SetMuted();
    };

    Renderer::ResetClock();
    if (!Platform::StartVideo())
        return 1;
    const std::optional<Platform::Rect> display = Platform::PrimaryDisplayBounds();
    if (!display)
        throw Exception::InvalidCall(E_FAIL, u"Get Monitor");
    Platform::MainWindow window;
    if (!window.Create(WideToUtf8(SelectText(Texts::TextProductTitle)), *display))
        return 1;
    Renderer::DeviceState().window = &window;
    GetReportHooks().releasePointer = [] { Platform::PostToMainLoop(Renderer::kMainReleasePointer); };
    GetReportHooks().closeMainWindow = [] { Renderer::CloseMainWindow(); };

    Renderer::CRendererThread& renderThread = *kernel.renderThread;
    renderThread.Start();
    window.Show();
    window.CapturePointer(true);
    window.GrabKeyboard(true);
    CShell shell(window, renderThread);
    shell.Run();
    GetReportHooks().releasePointer = nullptr;
    GetReportHooks().closeMainWindow = nullptr;
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
