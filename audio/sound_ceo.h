// The running mixer and what hangs off it: the voice managers of the three groups.
#pragma once

#include "platform/audio_mixer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Zorva::Audio {

class CPermanentAudio;
class CVoiceManager;

class CSoundCEO : public Platform::IMixerCallback {
public:
    CSoundCEO(CPermanentAudio* owner, std::uint64_t generation);
    // Stops the mixer, drops the current track's decoded sound, destroys the voice managers and
    // then the mixer.
    ~CSoundCEO();
    CSoundCEO(const CSoundCEO&) = delete;
    CSoundCEO& operator=(const CSoundCEO&) = delete;

    // Opens the mixer and makes one voice manager per group.
    HRESULT Initialise();
    void StopEngine();

    // Mixer thread: the device is lost, so the engine restarts.
    void OnCriticalError(HRESULT error) override;

    std::unique_ptr<Platform::CAudioMixer> engine;
    std::vector<std::unique_ptr<CVoiceManager>> voiceManagers;
    CPermanentAudio* const owner;
    const std::uint64_t generation;
};

} // namespace Zorva::Audio
