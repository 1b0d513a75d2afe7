// The device framework: the OpenGL device on the main window (the back buffer, the swap
// interval, the sample count), making and re-making it for the settings, full screen and window,
// lost contexts, the frame clock and pausing, the device error texts.
#pragma once

#include "kernel/config.h"
#include "platform/hresult.h"
#include "platform/main_window.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace Zorva::Renderer {

// Device error codes.
inline constexpr HRESULT kErrNoDirect3D = MakeCode(0x80040901u);
inline constexpr HRESULT kErrNoCompatibleDevices = MakeCode(0x80040902u);
inline constexpr HRESULT kErrMediaNotFound = MakeCode(0x80040903u);
inline constexpr HRESULT kErrNonZeroRefCount = MakeCode(0x80040904u);
inline constexpr HRESULT kErrCreatingDevice = MakeCode(0x80040905u);
inline constexpr HRESULT kErrResettingDevice = MakeCode(0x80040906u);
inline constexpr HRESULT kErrCreatingDeviceObjects = MakeCode(0x80040907u);
inline constexpr HRESULT kErrResettingDeviceObjects = MakeCode(0x80040908u);
inline constexpr HRESULT kErrDeviceRemoved = MakeCode(0x8004090Au);

// The English operation line of a device error.
std::u16string DeviceErrorText(HRESULT code);

struct DeviceSettings {
    int width = 0, height = 0;
    bool windowed = false;
    std::uint32_t samples = 1;
    std::uint32_t syncInterval = 1;
    bool autoDepth = true;
};

// What the shell and the scene plug into the framework.
struct DeviceHooks {
    std::function<void()> confinePointer;   // after every successful device creation
    std::function<void()> waitForLoading;   // until the resource searcher is idle
    std::function<void()> deviceCreated;    // build the scene root
    std::function<void(int, int)> resized;  // back buffer of this size: camera, shadow map
    std::function<void()> releasing;        // before the back buffer goes: shadow map
    std::function<void()> destroyScene;     // delete the scene root
};

class CDeviceState {
public:
    Platform::MainWindow* window = nullptr;
    std::optional<DeviceSettings> settings;
    DeviceHooks hooks;

    // Back buffer: multisampled colour (sRGB) and depth, resolved into a single-sample target.
    std::uint32_t framebuffer = 0, colour = 0, depth = 0;
    std::uint32_t resolveFramebuffer = 0, resolveTexture = 0;
    int width = 0, height = 0;
    std::uint32_t samples = 0;
    std::vector<std::uint32_t> supportedSamples; // ascending, 1 first

    // Remembered sizes.
    Platform::Rect windowedSize, fullScreenSize;

    std::atomic<bool> occluded{false}, minimized{false}, active{true}, retogglePending{false}, inSizeMove{false};
    bool deviceCreated = false, deviceObjects = false, swapObjects = false;
    bool contextReady = false;
    bool swapIntervalHonoured = true;
    int refreshRate = 60;

    std::atomic<int> pauseTime{0}, pauseRendering{0};
    bool RenderingPaused() const { return pauseRendering.load() > 0; }
};

CDeviceState& DeviceState();

HRESULT ChangeDevice(DeviceSettings settings, bool clipToMonitor);
HRESULT FindValidSettings(DeviceSettings& settings);
void DeviceCleanup(bool freeSettings);
// Re-makes the back buffer at the window's drawable size.
HRESULT ResizeBackBuffer();
void Pause(bool pauseTime, bool pauseRendering);
void ResetClock();
// Seconds of the frame clock (stopped while time is paused).
double ClockTime();
void ShowDeviceError(HRESULT code);
void CloseMainWindow();

// The scene's side of the device: the root made with the device, the camera and the shadow map
// on every back-buffer size, the root deleted with the device.
void InstallSceneHooks();

// The settings the program starts with: the primary display's size, full screen.
DeviceSettings InitialSettings();

// Rebuilds the device when changed settings need it.
class CDeviceRebuild : public Kernel::IDeviceRebuild {
public:
    HRESULT RebuildDevice() override;
};

// Requests for the main thread, posted by the framework (PostToMainLoop codes).
enum MainLoopCode : int {
    kMainClose = 1,        // the window is asked to close
    kMainPlaceWindow = 2,  // place the window as PendingPlacement says
    kMainReleasePointer = 3,
};
struct Placement {
    Platform::Rect bounds;
    bool fullScreen = true;
};
// The placement the framework asked for last.
Placement PendingPlacement();

} // namespace Zorva::Renderer
