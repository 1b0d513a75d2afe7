#include "audio/sound_ceo.h"

#include "audio/permanent_audio.h"
#include "audio/voice_manager.h"
#include "kernel/exceptions.h"

namespace Zorva::Audio {

CSoundCEO::CSoundCEO(CPermanentAudio* owner_, std::uint64_t generation_) : owner(owner_), generation(generation_) {}

HRESULT CSoundCEO::Initialise()
{
    if (const HRESULT hr = Platform::CAudioMixer::Create(this, engine); Failed(hr))
        return hr;
    for (size_t group = 0; group < kGroupCount; ++group)
        voiceManagers.push_back(std::make_unique<CVoiceManager>(engine.get(), owner, group, generation));
    return S_OK;
}

CSoundCEO::~CSoundCEO()
{
    if (!engine)
        return;
    StopEngine();
    // The track is not carried over to another mixer.
    owner->sounds_.erase(owner->currentStream_);
    owner->SetMasterVolume(1.0f);
    voiceManagers.clear();
    engine.reset();
}

void CSoundCEO::StopEngine()
{
    if (engine)
        engine->StopEngine();
}

void CSoundCEO::OnCriticalError(HRESULT)
{
    OuterFrame([this] { owner->PostRestart(generation); });
}

} // namespace Zorva::Audio
