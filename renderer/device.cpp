#include "renderer/device.h"

#include "kernel/exceptions.h"
#include "kernel/load_stage.h"
#include "kernel/persistent_singleton.h"
#include "renderer/gl.h"
#include "renderer/resources.h"
#include "platform/debug_output.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

namespace Zorva::Renderer {
namespace {

CDeviceState g_state;

std::mutex g_placementMutex;
Placement g_placement;

// The frame clock.
struct Clock {
    std::mutex mutex;
    bool stopped = false;
    std::chrono::steady_clock::time_point base = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point stop{};
} g_clock;

void ReleaseBackBuffer()
{
    CDeviceState& s = g_state;
    if (s.framebuffer != 0)
        glDeleteFramebuffers(1, &s.framebuffer);
    if (s.resolveFramebuffer != 0)
        glDeleteFramebuffers(1, &s.resolveFramebuffer);
    if (s.colour != 0)
        glDeleteRenderbuffers(1, &s.colour);
    if (s.depth != 0)
        glDeleteRenderbuffers(1, &s.depth);
    if (s.resolveTexture != 0)
        glDeleteTextures(1, &s.resolveTexture);
    s.framebuffer = s.resolveFramebuffer = s.colour = s.depth = s.resolveTexture = 0;
}

bool CreateBackBuffer(int width, int height, std::uint32_t samples, bool autoDepth)
{
    CDeviceState& s = g_state;
    ReleaseBackBuffer();
    while (glGetError() != GL_NO_ERROR) {
    }
    const auto n = static_cast<GLsizei>(samples > 1 ? samples : 0);
    glCreateRenderbuffers(1, &s.colour);
    glNamedRenderbufferStorageMultisample(s.colour, n, GL_SRGB8_ALPHA8, width, height);
    glCreateFramebuffers(1, &s.framebuffer);
    glNamedFramebufferRenderbuffer(s.framebuffer, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.colour);
    if (autoDepth) {
        glCreateRenderbuffers(1, &s.depth);
        glNamedRenderbufferStorageMultisample(s.depth, n, GL_DEPTH_COMPONENT32F, width, height);
        glNamedFramebufferRenderbuffer(s.framebuffer, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s.depth);
    }
    if (glCheckNamedFramebufferStatus(s.framebuffer, GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return false;
    // The single-sample copy the window is filled from.
    glCreateTextures(GL_TEXTURE_2D, 1, &s.resolveTexture);
    glTextureStorage2D(s.resolveTexture, 1, GL_SRGB8_ALPHA8, width, height);
    glCreateFramebuffers(1, &s.resolveFramebuffer);
    glNamedFramebufferTexture(s.resolveFramebuffer, GL_COLOR_ATTACHMENT0, s.resolveTexture, 0);
    if (glCheckNamedFramebufferStatus(s.resolveFramebuffer, GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return false;
    s.width = width;
    s.height = height;
    s.samples = samples;
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glViewport(0, 0, width, height);
    glDepthRangef(0.0f, 1.0f);
    return glGetError() == GL_NO_ERROR;
}

// The sample counts both back-buffer formats take, ascending, always with 1.
std::vector<std::uint32_t> QuerySampleCounts()
{
    auto counts = [](GLenum format) {
        GLint n = 0;
        glGetInternalformativ(GL_RENDERBUFFER, format, GL_NUM_SAMPLE_COUNTS, 1, &n);
        std::vector<GLint> list(static_cast<size_t>(std::max(n, 0)));
        if (n > 0)
            glGetInternalformativ(GL_RENDERBUFFER, format, GL_SAMPLES, n, list.data());
        return list;
    };
    const std::vector<GLint> colour = counts(GL_SRGB8_ALPHA8), depth = counts(GL_DEPTH_COMPONENT32F);
    std::vector<std::uint32_t> out{1};
    for (GLint c : colour)
        if (c > 1 && c <= 32 && std::find(depth.begin(), depth.end(), c) != depth.end())
            out.push_back(static_cast<std::uint32_t>(c));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// With ZORVA_GL_DEBUG set, the driver's complaints go to the debug output.
void GLAPIENTRY DebugMessage(GLenum, GLenum type, GLuint, GLenum severity, GLsizei, const GLchar* message, const void*)
{
    if (severity != GL_DEBUG_SEVERITY_NOTIFICATION || type == GL_DEBUG_TYPE_ERROR)
        Platform::DebugOutput(std::string("GL: ") + message + "\n");
}

// Makes the device: the context's conventions, the back buffer, the swap interval, then the
// scene through the callbacks.
HRESULT CreateDevice(const DeviceSettings& settings)
{
    CDeviceState& s = g_state;
    if (s.window == nullptr)
        return kErrCreatingDevice;
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major * 10 + minor < 45)
        return kErrCreatingDevice;
    // The scene's left-handed matrices and depth 0 to 1 work unchanged; row 0 is the top.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    if (std::getenv("ZORVA_GL_DEBUG") != nullptr) {
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(DebugMessage, nullptr);
    }
    glEnable(GL_FRAMEBUFFER_SRGB);
    s.swapIntervalHonoured = s.window->SetSwapInterval(static_cast<int>(settings.syncInterval));
    s.refreshRate = Platform::PrimaryDisplayRefreshRate();
    if (!CreateBackBuffer(settings.width, settings.height, settings.samples, settings.autoDepth)) {
        ReleaseBackBuffer();
        return kErrCreatingDevice;
    }
    s.deviceCreated = true;
    try {
        CUploadQueue::Instance().SetAccepting(true);
        if (s.hooks.deviceCreated)
            s.hooks.deviceCreated();
        s.deviceObjects = true;
        if (s.hooks.resized)
            s.hooks.resized(s.width, s.height);
        s.swapObjects = true;
    } catch (const Exception::CGenericZorvaException&) {
        return kErrCreatingDeviceObjects;
    }
    return S_OK;
}

void PostPlacement(Platform::Rect bounds, bool fullScreen)
{
    {
        std::lock_guard lock(g_placementMutex);
        g_placement = {bounds, fullScreen};
    }
    Platform::PostToMainLoop(kMainPlaceWindow);
}

} // namespace

CDeviceState& DeviceState()
{
    return g_state;
}

Placement PendingPlacement()
{
    std::lock_guard lock(g_placementMutex);
    return g_placement;
}

std::u16string DeviceErrorText(HRESULT code)
{
    switch (static_cast<std::uint32_t>(code)) {
    case 0x80040901u: return u"Could not initialize Direct3D 11. ";
    case 0x80040902u: return u"Could not find any compatible Direct3D devices.";
    case 0x80040903u: return u"Could not find required media.";
    case 0x80040904u: return u"The Direct3D device has a non-zero reference count, meaning some objects were not released.";
    case 0x80040905u: return u"Failed creating the Direct3D device.";
    case 0x80040906u: return u"Failed resetting the Direct3D device.";
    case 0x80040907u: return u"An error occurred in the device create callback function.";
    case 0x80040908u: return u"An error occurred in the device reset callback function.";
    case 0x8004090Au: return u"The Direct3D device was removed.";
    default: return u"An error occurred in the device reset callback function.";
    }
}

void ShowDeviceError(HRESULT code)
{
    ReportException(7, 0, code, DeviceErrorText(code), SelectText(Texts::MsgFileNotFoundReinstall));
}

void CloseMainWindow()
{
    Platform::PostToMainLoop(kMainClose);
}

DeviceSettings InitialSettings()
{
    DeviceSettings settings;
    const Platform::Rect display = Platform::PrimaryDisplayBounds().value_or(Platform::Rect{0, 0, 1024, 768});
    settings.width = display.w;
    settings.height = display.h;
    settings.windowed = false;
    settings.samples = 1;
    settings.syncInterval = 1;
    settings.autoDepth = true;
    g_state.windowedSize = display;
    g_state.fullScreenSize = display;
    return settings;
}

HRESULT FindValidSettings(DeviceSettings& settings)
{
    CDeviceState& s = g_state;
    if (s.window == nullptr || !s.contextReady)
        return E_FAIL;
    if (s.supportedSamples.empty())
        s.supportedSamples = QuerySampleCounts();
    // A count the device cannot do falls back to the first it can.
    if (std::find(s.supportedSamples.begin(), s.supportedSamples.end(), settings.samples) == s.supportedSamples.end())
        settings.samples = s.supportedSamples.front();
    if (settings.width <= 0 || settings.height <= 0) {
        settings.width = std::max(settings.width, 1);
        settings.height = std::max(settings.height, 1);
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (maxSize > 0) {
        settings.width = std::min(settings.width, maxSize);
        settings.height = std::min(settings.height, maxSize);
    }
    return S_OK;
}

HRESULT ChangeDevice(DeviceSettings settings, bool clipToMonitor)
{
    CDeviceState& s = g_state;
    if (Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer(); kernel != nullptr && kernel->config) {
        const auto& config = *kernel->config;
        settings.samples = config.current.quality == 2 ? 4 : 2;
        settings.syncInterval = config.current.vsync ? 1 : 0;
    }
    if (const HRESULT hr = FindValidSettings(settings); Failed(hr)) {
        ShowDeviceError(kErrNoCompatibleDevices);
        return hr;
    }
    Pause(true, true);
    const bool wasWindowed = s.settings ? s.settings->windowed : false;
    if (s.settings) {
        if (!s.settings->windowed && settings.windowed)
            s.fullScreenSize = {0, 0, s.settings->width, s.settings->height};
        else if (s.settings->windowed && !settings.windowed)
            s.windowedSize = {0, 0, s.settings->width, s.settings->height};
    }
    if (s.deviceCreated)
        DeviceCleanup(false);
    if (!KeepWorking()) {
        Pause(false, false);
        return E_FAIL;
    }
    s.settings = settings;
    if (const HRESULT hr = CreateDevice(settings); Failed(hr)) {
        DeviceCleanup(true);
        ShowDeviceError(hr);
        Pause(false, false);
        return hr;
    }
    // The window follows the settings: the whole primary display, or a framed window of the size.
    const Platform::Rect display = Platform::PrimaryDisplayBounds().value_or(Platform::Rect{0, 0, settings.width, settings.height});
    if (settings.windowed) {
        Platform::Rect bounds{display.x, display.y, settings.width, settings.height};
        if (clipToMonitor) {
            bounds.w = std::min(bounds.w, display.w);
            bounds.h = std::min(bounds.h, display.h);
            bounds.x = display.x + (display.w - bounds.w) / 2;
            bounds.y = display.y + (display.h - bounds.h) / 2;
        }
        PostPlacement(bounds, false);
    } else if (wasWindowed) {
        PostPlacement(display, true);
    }
    Pause(false, false);
    if (s.hooks.confinePointer)
        s.hooks.confinePointer();
    return S_OK;
}

HRESULT ResizeBackBuffer()
{
    CDeviceState& s = g_state;
    if (!s.deviceCreated || !s.settings)
        return E_FAIL;
    int w = 0, h = 0;
    s.window->DrawableSize(w, h);
    if (w <= 0 || h <= 0 || (w == s.width && h == s.height))
        return S_OK;
    Pause(true, true);
    s.swapObjects = false;
    if (s.hooks.releasing)
        s.hooks.releasing();
    s.settings->width = w;
    s.settings->height = h;
    if (!CreateBackBuffer(w, h, s.settings->samples, s.settings->autoDepth)) {
        Pause(false, false);
        return kErrResettingDevice;
    }
    try {
        if (s.hooks.resized)
            s.hooks.resized(w, h);
    } catch (const Exception::CGenericZorvaException&) {
        if (s.hooks.releasing)
            s.hooks.releasing();
        Pause(false, false);
        return kErrResettingDeviceObjects;
    }
    s.swapObjects = true;
    Pause(false, false);
    if (s.hooks.confinePointer)
        s.hooks.confinePointer();
    return S_OK;
}

void DeviceCleanup(bool freeSettings)
{
    CDeviceState& s = g_state;
    if (s.deviceCreated) {
        if (s.swapObjects && s.hooks.releasing)
            s.hooks.releasing();
        s.swapObjects = false;
        ReleaseBackBuffer();
        if (s.deviceObjects) {
            if (s.hooks.waitForLoading)
                s.hooks.waitForLoading();
            LoadStage.store(2);
            CUploadQueue::Instance().SetAccepting(false);
            CUploadQueue::Instance().NewDevice();
            if (s.hooks.destroyScene)
                s.hooks.destroyScene();
        }
        s.deviceObjects = false;
        glFinish();
    }
    s.deviceCreated = false;
    s.width = s.height = 0;
    s.samples = 0;
    if (freeSettings)
        s.settings.reset();
}

void Pause(bool pauseTime, bool pauseRendering)
{
    CDeviceState& s = g_state;
    auto step = [](std::atomic<int>& counter, bool add) {
        int v = counter.load();
        while (!counter.compare_exchange_weak(v, add ? v + 1 : std::max(0, v - 1))) {
        }
        return add ? v + 1 : std::max(0, v - 1);
    };
    const int time = step(s.pauseTime, pauseTime);
    step(s.pauseRendering, pauseRendering);
    std::lock_guard lock(g_clock.mutex);
    const auto now = std::chrono::steady_clock::now();
    if (time > 0 && !g_clock.stopped) {
        g_clock.stopped = true;
        g_clock.stop = now;
    } else if (time == 0 && g_clock.stopped) {
        g_clock.base += now - g_clock.stop;
        g_clock.stopped = false;
    }
}

void ResetClock()
{
    std::lock_guard lock(g_clock.mutex);
    g_clock.base = g_clock.stopped ? g_clock.stop : std::chrono::steady_clock::now();
    g_clock.stop = {};
    g_clock.stopped = false;
}

double ClockTime()
{
    std::lock_guard lock(g_clock.mutex);
    const auto now = g_clock.stopped ? g_clock.stop : std::chrono::steady_clock::now();
    return std::chrono::duration<double>(now - g_clock.base).count();
}

HRESULT CDeviceRebuild::RebuildDevice()
{
    CDeviceState& s = g_state;
    if (!s.settings)
        return E_FAIL;
    return ChangeDevice(*s.settings, false);
}

} // namespace Zorva::Renderer
