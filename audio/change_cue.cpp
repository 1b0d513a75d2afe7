#include "audio/change_cue.h"

#include "audio/permanent_audio.h"
#include "kernel/music_list.h"

namespace Zorva {

std::atomic<float> LastMusicVolume{1.0f};

namespace Kernel {

CPersistentSingleton::CChangeCue::CChangeCue() : CTimeLerp(kDuration, 1.0, 0.0) {}

void CPersistentSingleton::CChangeCue::Start()
{
    LastMusicVolume.store(1.0f);
    start = FrameTime;
}

void CPersistentSingleton::CChangeCue::OnProgress()
{
    // The frame that ended the fade has already asked for the next track, which starts at full
    // volume: no step of the old fade may follow it.
    if (start == -1.0)
        return;
    const float v = Value();
    if (v + kStep < LastMusicVolume.load()) {
        if (CPersistentSingleton* kernel = SingletonPointer(); kernel != nullptr && kernel->audio)
            kernel->audio->SetMusicVolume(v);
        LastMusicVolume.store(v);
    }
}

void CPersistentSingleton::CChangeCue::OnEnded()
{
    CPersistentSingleton* kernel = SingletonPointer();
    if (kernel == nullptr || !kernel->musicStreams || !kernel->audio)
        return;
    if (std::optional<std::u16string> name = kernel->musicStreams->PickRandom(kernel->random))
        kernel->audio->SetStream(std::move(*name));
}

} // namespace Kernel
} // namespace Zorva
