#include "platform/main_window.h"

#include "platform/termination.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <atomic>

namespace Zorva::Platform {
namespace {

std::atomic<Uint32> g_postedEvent{0};

Uint32 PostedEventType()
{
    Uint32 type = g_postedEvent.load();
    if (type == 0) {
        const Uint32 made = SDL_RegisterEvents(1);
        Uint32 expected = 0;
        if (!g_postedEvent.compare_exchange_strong(expected, made))
            return expected;
        type = made;
    }
    return type;
}

} // namespace

bool StartVideo()
{
    // One thread swaps while another pumps events on the same display connection.
    static const bool threads = XInitThreads() != 0;
    (void)threads;
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "0");
    SDL_SetHint(SDL_HINT_GRAB_KEYBOARD, "1");
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return false;
    PostedEventType();
    return true;
}

void StopVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

std::optional<Rect> PrimaryDisplayBounds()
{
    const int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        SDL_Rect r{};
        if (SDL_GetDisplayBounds(i, &r) != 0)
            continue;
        if (r.x <= 0 && r.y <= 0 && r.x + r.w > 0 && r.y + r.h > 0)
            return Rect{r.x, r.y, r.w, r.h};
    }
    SDL_Rect r{};
    if (count > 0 && SDL_GetDisplayBounds(0, &r) == 0)
        return Rect{r.x, r.y, r.w, r.h};
    return std::nullopt;
}

int PrimaryDisplayRefreshRate()
{
    SDL_DisplayMode mode{};
    if (SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0)
        return mode.refresh_rate;
    return 60;
}

MainWindow::~MainWindow()
{
    Destroy();
}

bool MainWindow::MakeContext()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    SDL_GL_SetAttribute(SDL_GL_FRAMEBUFFER_SRGB_CAPABLE, 0);
    // A lost context should say so instead of failing silently.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_ROBUST_ACCESS_FLAG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_LOSE_CONTEXT);
    context_ = SDL_GL_CreateContext(window_);
    info_.robust = context_ != nullptr;
    if (context_ == nullptr) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_NO_NOTIFICATION);
        context_ = SDL_GL_CreateContext(window_);
    }
    return context_ != nullptr;
}

bool MainWindow::Create(const std::string& titleUtf8, Rect bounds)
{
    Destroy();
    window_ = SDL_CreateWindow(titleUtf8.c_str(), bounds.x, bounds.y, bounds.w > 0 ? bounds.w : 1,
                               bounds.h > 0 ? bounds.h : 1,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS |
                                   SDL_WINDOW_ALLOW_HIGHDPI);
    if (window_ == nullptr)
        return false;
    // Without a context the window still stands: the render thread then reports that the
    // graphics device could not be made, in the user's language.
    if (MakeContext())
        SDL_GL_MakeCurrent(window_, nullptr);
    return true;
}

void MainWindow::Destroy()
{
    if (context_ != nullptr) {
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
        context_ = nullptr;
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
}

void MainWindow::Show()
{
    if (window_ == nullptr)
        return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

void MainWindow::CapturePointer(bool capture)
{
    if (window_ == nullptr)
        return;
    if (capture) {
        // The pointer must be over the window for its motion to reach it.
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        SDL_WarpMouseInWindow(window_, w / 2, h / 2);
    }
    SDL_ShowCursor(capture ? SDL_DISABLE : SDL_ENABLE);
    SDL_SetWindowGrab(window_, capture ? SDL_TRUE : SDL_FALSE);
    SDL_SetRelativeMouseMode(capture ? SDL_TRUE : SDL_FALSE);
    if (!capture)
        SDL_ShowCursor(SDL_ENABLE);
}

void MainWindow::GrabKeyboard(bool grab)
{
    if (window_ != nullptr)
        SDL_SetWindowKeyboardGrab(window_, grab ? SDL_TRUE : SDL_FALSE);
}

void MainWindow::Place(Rect bounds, bool fullScreen)
{
    if (window_ == nullptr)
        return;
    SDL_SetWindowBordered(window_, fullScreen ? SDL_FALSE : SDL_TRUE);
    SDL_SetWindowSize(window_, bounds.w, bounds.h);
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
}

Rect MainWindow::Bounds() const
{
    Rect r;
    if (window_ != nullptr) {
        SDL_GetWindowPosition(window_, &r.x, &r.y);
        SDL_GetWindowSize(window_, &r.w, &r.h);
    }
    return r;
}

std::uint32_t MainWindow::Id() const
{
    return window_ != nullptr ? SDL_GetWindowID(window_) : 0;
}

bool MainWindow::MakeCurrent()
{
    return window_ != nullptr && context_ != nullptr &&
           SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_)) == 0;
}

void MainWindow::ReleaseCurrent()
{
    if (window_ != nullptr)
        SDL_GL_MakeCurrent(window_, nullptr);
}

void MainWindow::Swap()
{
    if (window_ != nullptr)
        SDL_GL_SwapWindow(window_);
}

bool MainWindow::SetSwapInterval(int interval)
{
    return SDL_GL_SetSwapInterval(interval) == 0;
}

void MainWindow::DrawableSize(int& width, int& height) const
{
    width = height = 0;
    if (window_ != nullptr)
        SDL_GL_GetDrawableSize(window_, &width, &height);
}

bool MainWindow::RecreateContext()
{
    if (window_ == nullptr)
        return false;
    if (context_ != nullptr) {
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
        context_ = nullptr;
    }
    return MakeContext() && MakeCurrent();
}

bool WaitEvent(Event& event, int timeoutMs)
{
    // A termination request is reported once, before anything else.
    static std::atomic<bool> terminationSeen{false};
    if (TerminationRequested() && !terminationSeen.exchange(true)) {
        event = Event{};
        event.kind = EventKind::SystemQuit;
        return true;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, timeoutMs) == 0)
        return false;
    event = Event{};
    if (e.type == PostedEventType()) {
        event.kind = EventKind::Posted;
        event.code = e.user.code;
        return true;
    }
    switch (e.type) {
    case SDL_QUIT:
        event.kind = EventKind::SystemQuit;
        return true;
    case SDL_MOUSEMOTION:
        if (e.motion.which == SDL_TOUCH_MOUSEID)
            return true;
        event.kind = EventKind::PointerMotion;
        event.dx = e.motion.xrel;
        event.dy = e.motion.yrel;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e.button.which == SDL_TOUCH_MOUSEID)
            return true;
        event.kind = EventKind::PointerButton;
        event.pressed = e.type == SDL_MOUSEBUTTONDOWN;
        event.button = e.button.button;
        return true;
    case SDL_FINGERMOTION:
    case SDL_FINGERDOWN:
    case SDL_FINGERUP: {
        // Touch coordinates are fractions of the window.
        int w = 0, h = 0;
        if (SDL_Window* window = SDL_GetWindowFromID(e.tfinger.windowID); window != nullptr)
            SDL_GetWindowSize(window, &w, &h);
        else if (SDL_Window* grabbed = SDL_GetGrabbedWindow(); grabbed != nullptr)
            SDL_GetWindowSize(grabbed, &w, &h);
        event.x = static_cast<int>(e.tfinger.x * static_cast<float>(w));
        event.y = static_cast<int>(e.tfinger.y * static_cast<float>(h));
        if (e.type == SDL_FINGERMOTION) {
            event.kind = EventKind::TouchMotion;
        } else {
            event.kind = EventKind::TouchButton;
            event.pressed = e.type == SDL_FINGERDOWN;
        }
        return true;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_Keycode key = e.key.keysym.sym;
        if (key == SDLK_LGUI || key == SDLK_RGUI) {
            event.kind = EventKind::LogoKey;
            event.pressed = e.type == SDL_KEYDOWN;
        } else if (key == SDLK_F4 && e.type == SDL_KEYDOWN && (e.key.keysym.mod & KMOD_ALT) != 0 &&
                   e.key.repeat == 0) {
            event.kind = EventKind::CloseRequest;
        }
        return true;
    }
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            event.kind = EventKind::CloseRequest;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            event.kind = EventKind::Activated;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            event.kind = EventKind::Deactivated;
            break;
        case SDL_WINDOWEVENT_HIDDEN:
            event.kind = EventKind::Hidden;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            event.kind = EventKind::Minimized;
            break;
        case SDL_WINDOWEVENT_RESTORED:
            event.kind = EventKind::Restored;
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
            event.kind = EventKind::Exposed;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            event.kind = EventKind::SizeChanged;
            break;
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
            event.kind = EventKind::DisplayChanged;
            break;
        default:
            break;
        }
        return true;
    case SDL_DISPLAYEVENT:
        event.kind = EventKind::DisplayChanged;
        return true;
    default:
        return true;
    }
}

void PostToMainLoop(int code)
{
    SDL_Event e{};
    e.type = PostedEventType();
    e.user.code = code;
    SDL_PushEvent(&e);
}

} // namespace Zorva::Platform
