// One voice group: a first-in-first-out queue of sounds, the item now playing, and one mixer
// voice per sample format the group has met. A sound plays as one whole buffer; a successor of
// the same format is queued on the same voice ahead of time, so the two join without a gap.
#pragma once

#include "audio/wave_buffer.h"
#include "platform/audio_mixer.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Zorva::Audio {

class CPermanentAudio;

class CVoiceManager : public Platform::IVoiceCallback {
public:
    CVoiceManager(Platform::CAudioMixer* engine, CPermanentAudio* owner, std::uint64_t group, std::uint64_t generation);
    // Destroys the voices first, then lets go of the buffers they were reading.
    ~CVoiceManager();
    CVoiceManager(const CVoiceManager&) = delete;
    CVoiceManager& operator=(const CVoiceManager&) = delete;

    // Command thread; the callers of the first four hold the engine lock.
    void Append(SoundItem item) { queue_.push_back(std::move(item)); }
    void PlayNext();
    void PreloadNext();
    bool IsBusy() const;
    void AfterWave(CWaveBuffer* ended);
    void ResetGroup();
    // Sets the volume on every voice, stopping at the first that fails.
    HRESULT SetVolume(float volume);

    // Mixer thread.
    void OnBufferEnd(void* context) override;

private:
    // Submits a pending item to the voice of its format; false when it cannot play.
    bool PlayItem(SoundItem& item);

    Platform::CAudioMixer* engine_;
    std::deque<SoundItem> queue_;
    SoundItem current_;
    CPermanentAudio* owner_;
    std::atomic<bool> resetting_{false};
    std::unordered_map<const Platform::WaveFormat*, std::unique_ptr<Platform::CSourceVoice>> voices_;
    std::uint64_t group_;
    std::uint64_t generation_;
    // Buffers submitted and not yet ended: the mixer reads them in place.
    std::vector<CRef<CWaveBuffer>> inFlight_;
};

} // namespace Zorva::Audio
