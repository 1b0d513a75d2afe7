// The program's main window and its OpenGL context, the displays, and the main thread's event loop.
//
// Window and event calls belong to the main thread; MakeCurrent, Swap, SetSwapInterval,
// DrawableSize and RecreateContext belong to the thread that renders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct SDL_Window;

namespace Zorva::Platform {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};

// Starts the video and event subsystems (with thread-safe X11 access, since one thread renders
// while another pumps events). False when no display can be opened.
bool StartVideo();
void StopVideo();

// The bounds of the primary display (the one that holds the point 0, 0).
std::optional<Rect> PrimaryDisplayBounds();
// Its refresh rate in hertz; 60 when the display does not tell.
int PrimaryDisplayRefreshRate();

// What the OpenGL context was made with.
struct ContextInfo {
    bool robust = false; // reset notification is on: a lost context can be detected
};

class MainWindow {
public:
    MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    // A hidden window without frame at `bounds`, with an OpenGL 4.5 core context that is left
    // current on no thread (MakeCurrent fails when there is none). False when no window could be
    // made.
    bool Create(const std::string& titleUtf8, Rect bounds);
    void Destroy();
    bool Exists() const { return window_ != nullptr; }

    void Show();
    // The pointer belongs to the program: the system cursor hidden, raw relative motion, the
    // cursor kept inside the window; or everything given back to the desktop.
    void CapturePointer(bool capture);
    // With the keyboard grabbed the desktop never sees the keys (the logo keys, Alt+F4).
    void GrabKeyboard(bool grab);
    // Covers `bounds` without frame, or becomes a framed window of that size.
    void Place(Rect bounds, bool fullScreen);
    Rect Bounds() const;
    std::uint32_t Id() const;

    // Render thread.
    bool MakeCurrent();
    void ReleaseCurrent();
    void Swap();
    bool SetSwapInterval(int interval);
    void DrawableSize(int& width, int& height) const;
    // A fresh context after the old one was lost; current on the calling thread.
    bool RecreateContext();
    const ContextInfo& Context() const { return info_; }

private:
    bool MakeContext();

    ::SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    ContextInfo info_;
};

// Events of the main thread's loop, as the shell needs them.
enum class EventKind {
    None,
    PointerMotion,  // relative motion in pixels: dx, dy
    PointerButton,  // a mouse button: pressed, button (1 left, 3 right)
    TouchMotion,    // a touch point in window pixels: x, y
    TouchButton,    // pressed
    LogoKey,        // pressed (repeat is reported as pressed again)
    CloseRequest,   // Alt+F4 or the window manager's close
    SystemQuit,     // a termination signal or the session ending
    Activated,      // the window got the input focus
    Deactivated,    // the window lost it
    Hidden,         // unmapped: nothing can be seen
    Exposed,        // visible again
    Minimized,      // made an icon
    Restored,       // back from an icon
    SizeChanged,    // the window's size changed
    DisplayChanged, // displays were added, removed or changed
    Posted,         // an event posted by PostToMainLoop: code
};

struct Event {
    EventKind kind = EventKind::None;
    int dx = 0, dy = 0;
    int x = 0, y = 0;
    int button = 0;
    bool pressed = false;
    int code = 0;
};

// Waits up to `timeoutMs` for the next event of interest. False when none came.
bool WaitEvent(Event& event, int timeoutMs);

// Thread-safe: wakes the main loop with an event of kind Posted and the given code.
void PostToMainLoop(int code);

} // namespace Zorva::Platform
