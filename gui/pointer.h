// The program's own pointer as the scene sees it, written by the input side on the main thread
// and read by the render thread: scene units (x +1 at the left edge, y up) and the 3-D pointer's
// plane; the parent's override of the hidden buttons.
#pragma once

#include <atomic>

namespace Zorva::GUI {

extern std::atomic<float> PointerX, PointerY;
extern std::atomic<float> CrayonX, CrayonY;
extern std::atomic<bool> ButtonsOverride;

} // namespace Zorva::GUI
