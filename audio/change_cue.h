// The kernel's music-change cue: on a page switch the music fades out over 0.75 s, and when the
// fade ends a track picked at random from the kernel's track list starts.
#pragma once

#include "kernel/events.h"
#include "kernel/persistent_singleton.h"

#include <atomic>

namespace Zorva {

// The music volume the cue set last.
extern std::atomic<float> LastMusicVolume;

namespace Kernel {

class CPersistentSingleton::CChangeCue : public CTimeLerp {
public:
    static constexpr double kDuration = 0.75;
    // The fade changes the volume only once it has dropped by more than this.
    static constexpr float kStep = 0.075f;

    // Registered in the frame channel.
    CChangeCue();

    // Starts the fade at the current frame; the page switch calls it.
    void Start();

    void OnEnded() override;
    void OnProgress() override;
};

} // namespace Kernel
} // namespace Zorva
