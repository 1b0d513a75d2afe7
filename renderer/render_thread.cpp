#include "renderer/render_thread.h"

#include "kernel/config.h"
#include "kernel/events.h"
#include "kernel/exceptions.h"
#include "kernel/font_metrics.h"
#include "kernel/load_stage.h"
#include "kernel/persistent_singleton.h"
#include "platform/beep.h"
#include "renderer/device.h"
#include "renderer/gl.h"
#include "renderer/scene.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <time.h>

namespace Zorva::Renderer {
namespace {

FrameHooks g_hooks;
SceneFactories g_factories;
FrameStatistics g_statistics;
std::atomic<bool> g_pagesShown{false};
bool g_firstWorld = true;

std::uint64_t CurrentThreadKey()
{
    thread_local const std::uint64_t key = std::hash<std::thread::id>{}(std::this_thread::get_id()) | 1u;
    return key;
}

std::uint64_t ThreadCpuNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u + static_cast<std::uint64_t>(ts.tv_nsec);
}

void RenderStep()
{
    if (!KeepWorking() || LoadStage.load() <= 4)
        return;
    Kernel::CDirect3DSingleton* root = Kernel::SceneRoot();
    if (root == nullptr)
        return;
    CDeviceState& s = DeviceState();
    if (root->shadowMap) {
        for (GLuint unit = 0; unit < 3; ++unit)
            glBindTextureUnit(unit, 0);
        RenderPass = kPassDepth;
        glBindFramebuffer(GL_FRAMEBUFFER, root->shadowMap->framebuffer);
        glViewport(0, 0, root->shadowMap->width, root->shadowMap->height);
        glDepthMask(GL_TRUE);
        glClearDepthf(1.0f);
        glClear(GL_DEPTH_BUFFER_BIT);
        root->Render();
    }
    if (LoadStage.load() == kStageRunning) {
        RenderPass = kPassOffscreen;
        root->Render();
        root->Prune();
        if (!g_pagesShown.exchange(true) && g_hooks.firstRunningFrame)
            g_hooks.firstRunningFrame();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glViewport(0, 0, s.width, s.height);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 0);
    glClearDepthf(1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (root->shadowMap)
        glBindTextureUnit(0, root->shadowMap->texture);
    RenderPass = kPassMain;
    root->Render();
    if (g_hooks.afterMainPass)
        g_hooks.afterMainPass();
}

} // namespace

FrameHooks& GetFrameHooks()
{
    return g_hooks;
}

SceneFactories& GetSceneFactories()
{
    return g_factories;
}

FrameStatistics& Statistics()
{
    return g_statistics;
}

CRendererThread::~CRendererThread()
{
    Join();
}

void CRendererThread::Post(std::uint32_t command)
{
    if (threadId_.load() == CurrentThreadKey()) {
        Execute(command);
        return;
    }
    std::lock_guard lock(mutexB_);
    queue_.push_back(command);
}

void CRendererThread::WaitUntilStopped()
{
    std::unique_lock lock(stopMutex_);
    stopCondition_.wait(lock, [this] { return stopped_.load() || !Attached(); });
}

void CRendererThread::MarkStopped()
{
    {
        std::lock_guard lock(stopMutex_);
        stopped_.store(true);
    }
    stopCondition_.notify_all();
}

void CRendererThread::Run()
{
    struct StopGuard {
        CRendererThread* self;
        ~StopGuard() { self->MarkStopped(); }
    } guard{this};
    threadId_.store(CurrentThreadKey());
    CDeviceState& s = DeviceState();
    InitView();
    HRESULT hr = kErrCreatingDevice;
    if (s.window != nullptr && s.window->MakeCurrent()) {
        s.contextReady = true;
        hr = ChangeDevice(InitialSettings(), true);
    }
    if (Failed(hr)) {
        ReportException(6, 0, hr, u"Create Device", SelectText(Texts::Msg3DSubsystem));
        if (s.hooks.waitForLoading)
            s.hooks.waitForLoading();
        s.settings.reset();
        CloseMainWindow();
        if (s.window != nullptr)
            s.window->ReleaseCurrent();
        return;
    }
    for (;;) {
        std::uint32_t command = kFrame;
        {
            std::lock_guard lock(mutexB_);
            if (!queue_.empty()) {
                command = queue_.front();
                queue_.pop_front();
            }
        }
        OuterFrame([&] { Execute(command); });
        if (quit_)
            return;
    }
}

void CRendererThread::Execute(std::uint32_t command)
{
    CDeviceState& s = DeviceState();
    Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer();
    switch (command) {
    case kFrame:
        if (LoadStage.load() == kStageRunning && g_hooks.trimPictures)
            g_hooks.trimPictures();
        OneFrame();
        break;
    case kQuit: {
        std::lock_guard lock(mutexA_);
        if (KeepWorking() && g_hooks.commitColours)
            g_hooks.commitColours();
        DeviceCleanup(true);
        WriteStatistics();
        if (s.window != nullptr)
            s.window->ReleaseCurrent();
        s.window = nullptr;
        s.contextReady = false;
        quit_ = true;
        break;
    }
    case kSizeChanged:
        break;
    case kToggleFullScreen: {
        if (!s.settings)
            break;
        DeviceSettings next = *s.settings;
        const DeviceSettings previous = *s.settings;
        next.windowed = !next.windowed;
        next.width = s.windowedSize.w;
        next.height = s.windowedSize.h;
        if (const HRESULT hr = ChangeDevice(next, false); Failed(hr)) {
            if (hr != E_ABORT)
                ChangeDevice(previous, false);
            CloseMainWindow();
        }
        break;
    }
    case kApplySettings:
        if (kernel != nullptr && kernel->config && Failed(kernel->config->ApplyChanges()))
            CloseMainWindow();
        break;
    case kPointerDown:
        if (KeepWorking() && LoadStage.load() == kStageRunning) {
            if (g_hooks.pointerDown)
                g_hooks.pointerDown();
            Kernel::CEventRegistry::Instance().Fire(Kernel::Channel::Press);
        } else {
            Platform::Beep(Platform::BeepKind::Error);
        }
        break;
    case kPointerUp:
        if (KeepWorking() && LoadStage.load() == kStageRunning) {
            if (g_hooks.pointerUp)
                g_hooks.pointerUp();
            Kernel::CEventRegistry::Instance().Fire(Kernel::Channel::Release);
            if (g_hooks.afterRelease)
                g_hooks.afterRelease();
        }
        break;
    default:
        break;
    }
}

void CRendererThread::OneFrame()
{
    CDeviceState& s = DeviceState();
    if (!s.deviceCreated) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return;
    }
    if (!s.active.load() || s.occluded.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(32));
    const std::uint64_t cpuStart = ThreadCpuNanoseconds();
    FrameTime = ClockTime();
    ZorvaOnFrameMove();
    if (!s.deviceCreated)
        return;
    if (const HRESULT hr = ResizeBackBuffer(); Failed(hr)) {
        ShowDeviceError(hr);
        CloseMainWindow();
        return;
    }
    if (!s.RenderingPaused() && !s.occluded.load())
        RenderStep();
    Present();
    g_statistics.frames.fetch_add(1);
    g_statistics.cpuNanoseconds.fetch_add(ThreadCpuNanoseconds() - cpuStart);
    const std::uint32_t stage = LoadStage.load();
    if (stage == kStageRunning && g_statistics.runningAt.load() < 0)
        g_statistics.runningAt.store(FrameTime);
    if (stage > 4 && stage < kStageRunning) {
        g_statistics.loadingFrames.fetch_add(1);
        if (g_statistics.loadingFrom.load() < 0)
            g_statistics.loadingFrom.store(FrameTime);
        g_statistics.loadingUntil.store(FrameTime);
    }
}

void CRendererThread::Present()
{
    CDeviceState& s = DeviceState();
    if (s.occluded.load() || s.window == nullptr)
        return;
    GLuint source = s.framebuffer;
    if (s.samples > 1) {
        glBlitNamedFramebuffer(s.framebuffer, s.resolveFramebuffer, 0, 0, s.width, s.height, 0, 0, s.width, s.height,
                               GL_COLOR_BUFFER_BIT, GL_NEAREST);
        source = s.resolveFramebuffer;
    }
    // Row 0 of the scene is its top; the window's row 0 is its bottom. The bytes are already
    // sRGB-encoded, so they are copied as they are.
    glDisable(GL_FRAMEBUFFER_SRGB);
    glBlitNamedFramebuffer(source, 0, 0, 0, s.width, s.height, 0, s.height, s.width, 0, GL_COLOR_BUFFER_BIT,
                           GL_NEAREST);
    glEnable(GL_FRAMEBUFFER_SRGB);
    s.window->Swap();
    // Where the swap interval cannot be set, V-Sync is kept by pacing to the display's rate.
    if (s.settings && s.settings->syncInterval > 0 && !s.swapIntervalHonoured) {
        const double period = 1.0 / (s.refreshRate > 0 ? s.refreshRate : 60);
        const double now = ClockTime();
        if (nextPresent_ < now - period || nextPresent_ > now + period)
            nextPresent_ = now;
        nextPresent_ += period;
        const double wait = nextPresent_ - now;
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    }
    // A lost context: the device is removed; a new context and device take its place.
    if (s.window->Context().robust && glGetGraphicsResetStatus() != GL_NO_ERROR) {
        DeviceSettings settings = s.settings.value_or(InitialSettings());
        DeviceCleanup(false);
        s.supportedSamples.clear();
        if (!s.window->RecreateContext() || Failed(FindValidSettings(settings)) ||
            Failed(ChangeDevice(settings, false))) {
            ShowDeviceError(kErrDeviceRemoved);
            CloseMainWindow();
        }
    }
}

void WriteStatistics()
{
    const char* path = std::getenv("ZORVA_STATS_FILE");
    if (path == nullptr || *path == '\0')
        return;
    if (std::FILE* f = std::fopen(path, "w"); f != nullptr) {
        const FrameStatistics& st = g_statistics;
        std::fprintf(f, "frames %llu\ncpu_ns %llu\nrunning_at %.6f\nloading_frames %llu\nloading_from %.6f\nloading_until %.6f\n",
                     static_cast<unsigned long long>(st.frames.load()),
                     static_cast<unsigned long long>(st.cpuNanoseconds.load()), st.runningAt.load(),
                     static_cast<unsigned long long>(st.loadingFrames.load()), st.loadingFrom.load(),
                     st.loadingUntil.load());
        std::fclose(f);
    }
}

void ZorvaOnFrameMove()
{
    OuterFrame([] {
        if (!KeepWorking())
            return;
        if (g_hooks.duckMusic)
            g_hooks.duckMusic();
        const std::uint32_t stage = LoadStage.load();
        if (Kernel::CDirect3DSingleton* root = Kernel::SceneRoot(); root != nullptr)
            CUploadQueue::Instance().Drain(*root);
        if (g_hooks.loadingStep)
            g_hooks.loadingStep(stage);
        Kernel::CEventRegistry::Instance().Fire(Kernel::Channel::Frame);
    });
}

void BuildWorldStep()
{
    Kernel::CDirect3DSingleton* root = Kernel::SceneRoot();
    if (root == nullptr)
        return;
    // Everything the finished stages loaded is in the stores before the world asks for it.
    CUploadQueue::Instance().Drain(*root);
    if (g_firstWorld) {
        g_firstWorld = false;
        if (g_hooks.applyMuteSetting)
            g_hooks.applyMuteSetting();
        if (DeviceState().hooks.confinePointer)
            DeviceState().hooks.confinePointer();
    }
    ResetBindingCaches();
    root->sceneBuffer = std::make_unique<ConstantBuffer>(1, 16, kVertexMain);
    if (g_factories.createWorld)
        g_factories.createWorld();
    const CSingleTexture font = FindTexture(u"dialog_font");
    font.BindTo(3);
}

void BuildPagesStep()
{
    Kernel::CDirect3DSingleton* root = Kernel::SceneRoot();
    if (root == nullptr)
        return;
    CUploadQueue::Instance().Drain(*root);
    g_pagesShown.store(false);
    ResetBindingCaches();
    if (g_factories.createPages)
        g_factories.createPages();
    if (Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer(); kernel != nullptr && kernel->fontMetrics)
        kernel->fontMetrics->ClearGlyphs();
}

} // namespace Zorva::Renderer
