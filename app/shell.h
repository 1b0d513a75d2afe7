// The shell's part of the main window: the program's own pointer moved by relative motion and
// touch inside the confinement limits, presses reported to the render thread, the logo keys, the
// child's close request (refused while loading), the system's quit, display changes.
#pragma once

#include "platform/main_window.h"

#include <atomic>

namespace Zorva::Renderer {
class CRendererThread;
}

namespace Zorva::App {

// Moves the pointer by a displacement in pixels, clamped to the limits, and recomputes the
// scene-unit coordinates.
void MovePointerBy(int dx, int dy);
// Sets the limits from the back buffer's size and centres the pointer.
void ConfinePointer();
// Reports a button change; a press or release goes to the render thread only while running.
void SetPointerPressed(bool pressed);

struct PointerPixels {
    int x, y, left, top, right, bottom;
};
PointerPixels CurrentPointer();

// The main thread's loop for the main window; returns when the window has been destroyed.
class CShell {
public:
    CShell(Platform::MainWindow& window, Renderer::CRendererThread& renderThread);
    void Run();
    // One event, as the loop handles it.
    void Handle(const Platform::Event& event);
    bool Running() const { return running_; }

private:
    void CloseRequest(bool fromSystem);
    void Close();

    Platform::MainWindow& window_;
    Renderer::CRendererThread& renderThread_;
    bool running_ = true;
    std::atomic<bool> logoHeld_{false};
};

} // namespace Zorva::App
