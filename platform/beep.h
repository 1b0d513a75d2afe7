// The system's attention sound: the X11 bell where a display is available, else a short tone.
#pragma once

namespace Zorva::Platform {

enum class BeepKind {
    Default,     // a plain "something is not right"
    Exclamation, // a refused action
    Error,       // an action not possible now
};

void Beep(BeepKind kind);

} // namespace Zorva::Platform
