#include "gui/pointer.h"

namespace Zorva::GUI {

std::atomic<float> PointerX{0.0f}, PointerY{0.0f};
std::atomic<float> CrayonX{0.0f}, CrayonY{0.0f};
std::atomic<bool> ButtonsOverride{false};

} // namespace Zorva::GUI
