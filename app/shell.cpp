#include "app/shell.h"

#include "book/world.h"
#include "gui/pointer.h"
#include "kernel/exceptions.h"
#include "kernel/load_stage.h"
#include "platform/beep.h"
#include "renderer/device.h"
#include "renderer/render_thread.h"
#include "renderer/scene.h"

#include <algorithm>
#include <cmath>

namespace Zorva::App {
namespace {

// Written on the main thread (motion) and by the render thread (confinement).
std::atomic<int> g_x{0}, g_y{0};
std::atomic<int> g_left{0}, g_top{0}, g_right{0}, g_bottom{0};
std::atomic<int> g_width{0}, g_height{0};
std::atomic<bool> g_pressed{false};
Renderer::CRendererThread* g_renderThread = nullptr;

} // namespace

PointerPixels CurrentPointer()
{
    return {g_x.load(), g_y.load(), g_left.load(), g_top.load(), g_right.load(), g_bottom.load()};
}

void MovePointerBy(int dx, int dy)
{
    const int x = std::min(g_right.load(), std::max(g_left.load(), g_x.load() + dx));
    const int y = std::min(g_bottom.load(), std::max(g_top.load(), g_y.load() + dy));
    g_x.store(x);
    g_y.store(y);
    const float w = static_cast<float>(std::max(1, g_width.load()));
    const float h = static_cast<float>(std::max(1, g_height.load()));
    const float nx = 1.0f - 2.0f * static_cast<float>(x) / w;
    const float ny = 1.0f - 2.0f * static_cast<float>(y) / h;
    const Renderer::SceneView& view = Renderer::View();
    const float crayonY = ny * view.sy;
    GUI::CrayonY.store(crayonY);
    GUI::CrayonX.store(nx * view.s);
    GUI::PointerX.store(nx);
    GUI::PointerY.store(view.ay != 1.0f ? crayonY / view.s : ny * view.ax);
}

void ConfinePointer()
{
    const Renderer::CDeviceState& device = Renderer::DeviceState();
    const int wi = device.width, hi = device.height;
    const float w = static_cast<float>(wi), h = static_cast<float>(hi);
    g_width.store(wi);
    g_height.store(hi);
    g_left.store(static_cast<int>(w * 0.01625f));
    g_top.store(static_cast<int>(h * 0.028888889f));
    g_right.store(static_cast<int>(w - w * 0.01625f));
    g_bottom.store(static_cast<int>(h - h * 0.028888889f));
    // The system cursor is held by relative mode inside the window; the drawn pointer starts in
    // the middle.
    g_x.store(wi / 2);
    g_y.store(hi / 2);
    MovePointerBy(0, 0);
}

void SetPointerPressed(bool pressed)
{
    if (pressed == g_pressed.load())
        return;
    if (LoadStage.load() == kStageRunning && PointerEnabled.load() != 0 && g_renderThread != nullptr)
        g_renderThread->Post(pressed ? Renderer::kPointerDown : Renderer::kPointerUp);
    g_pressed.exchange(pressed);
}

CShell::CShell(Platform::MainWindow& window, Renderer::CRendererThread& renderThread)
    : window_(window), renderThread_(renderThread)
{
    g_renderThread = &renderThread;
}

void CShell::Run()
{
    while (running_) {
        Platform::Event event;
        if (Platform::WaitEvent(event, 100))
            OuterFrame([&] { Handle(event); });
    }
}

void CShell::Handle(const Platform::Event& event)
{
    Renderer::CDeviceState& device = Renderer::DeviceState();
    switch (event.kind) {
    case Platform::EventKind::PointerMotion:
        MovePointerBy(event.dx, event.dy);
        break;
    case Platform::EventKind::PointerButton:
        if (event.button == 1 || event.button == 3)
            SetPointerPressed(event.pressed);
        break;
    case Platform::EventKind::TouchMotion:
        MovePointerBy(event.x - g_x.load(), event.y - g_y.load());
        break;
    case Platform::EventKind::TouchButton:
        SetPointerPressed(event.pressed);
        break;
    case Platform::EventKind::LogoKey:
        if (!KeepWorking())
            break;
        if (event.pressed) {
            const std::uint64_t page = CurrentPage.load();
            if ((page == 1 || page == 3) && !logoHeld_.exchange(true))
                GUI::ButtonsOverride.store(!GUI::ButtonsOverride.load());
        } else {
            logoHeld_.store(false);
        }
        break;
    case Platform::EventKind::CloseRequest:
        CloseRequest(false);
        break;
    case Platform::EventKind::SystemQuit:
        CloseRequest(true);
        break;
    case Platform::EventKind::Activated:
        if (!device.active.exchange(true) && device.retogglePending.exchange(false))
            renderThread_.Post(Renderer::kToggleFullScreen);
        break;
    case Platform::EventKind::Deactivated:
        device.active.store(false);
        break;
    case Platform::EventKind::Hidden:
        device.occluded.store(true);
        break;
    case Platform::EventKind::Exposed:
        device.occluded.store(false);
        break;
    case Platform::EventKind::Minimized:
        // Time stands still while the book is an icon, so nothing jumps when it comes back.
        if (!device.minimized.exchange(true))
            Renderer::Pause(true, true);
        device.occluded.store(true);
        break;
    case Platform::EventKind::Restored:
        if (device.minimized.exchange(false))
            Renderer::Pause(false, false);
        device.occluded.store(false);
        renderThread_.Post(Renderer::kSizeChanged);
        break;
    case Platform::EventKind::SizeChanged:
        renderThread_.Post(Renderer::kSizeChanged);
        break;
    case Platform::EventKind::DisplayChanged:
        // The window keeps covering the primary display.
        if (device.active.load() && device.settings && !device.settings->windowed) {
            const auto display = Platform::PrimaryDisplayBounds();
            if (!display)
                throw Exception::InvalidCall(E_FAIL, u"Get Monitor");
            if (window_.Bounds() != *display)
                window_.Place(*display, true);
        }
        break;
    case Platform::EventKind::Posted:
        switch (event.code) {
        case Renderer::kMainClose:
            CloseRequest(false);
            break;
        case Renderer::kMainPlaceWindow: {
            const Renderer::Placement placement = Renderer::PendingPlacement();
            window_.Place(placement.bounds, placement.fullScreen);
            break;
        }
        case Renderer::kMainReleasePointer:
            window_.CapturePointer(false);
            window_.GrabKeyboard(false);
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

void CShell::CloseRequest(bool fromSystem)
{
    // While loading the child cannot close the book; the system (a termination signal, the
    // session ending) always can, and a failure or a quit already under way always closes.
    if (!fromSystem && LoadStage.load() != kStageRunning && KeepWorking()) {
        Platform::Beep(Platform::BeepKind::Error);
        return;
    }
    Close();
}

void CShell::Close()
{
    if (!window_.Exists())
        return;
    renderThread_.Post(Renderer::kQuit);
    // The device goes first: the window is destroyed only once the render thread has let go of it.
    renderThread_.WaitUntilStopped();
    {
        std::lock_guard lock(renderThread_.WindowMutex());
        window_.Destroy();
    }
    running_ = false;
}

} // namespace Zorva::App
