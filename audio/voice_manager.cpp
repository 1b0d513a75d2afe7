#include "audio/voice_manager.h"

#include "audio/permanent_audio.h"
#include "kernel/exceptions.h"

#include <algorithm>

namespace Zorva::Audio {

CVoiceManager::CVoiceManager(Platform::CAudioMixer* engine, CPermanentAudio* owner, std::uint64_t group,
                             std::uint64_t generation)
    : engine_(engine), owner_(owner), group_(group), generation_(generation)
{
}

CVoiceManager::~CVoiceManager()
{
    queue_.clear();
    voices_.clear();
    inFlight_.clear();
}

bool CVoiceManager::IsBusy() const
{
    return std::any_of(voices_.begin(), voices_.end(), [](const auto& v) { return v.second->BuffersQueued() > 0; });
}

bool CVoiceManager::PlayItem(SoundItem& item)
{
    if (!item.pending)
        return true;
    item.pending = false;
    if (!item.buffer)
        return false;
    const Platform::WaveFormat* format = item.buffer->format;
    auto found = voices_.find(format);
    if (found == voices_.end()) {
        std::unique_ptr<Platform::CSourceVoice> voice;
        if (const HRESULT hr = engine_->CreateSourceVoice(*format, this, voice); Failed(hr))
            throw Exception::AudioFailed(hr, u"Error while voice creation");
        const float volume = owner_->EffectiveVolume(group_);
        if (volume != 1.0f)
            if (const HRESULT hr = voice->SetVolume(volume); Failed(hr))
                throw Exception::AudioFailed(hr, u"Volume for created voice");
        found = voices_.emplace(format, std::move(voice)).first;
    }
    Platform::CSourceVoice& voice = *found->second;
    const std::vector<std::uint8_t>& samples = item.buffer->samples;
    if (Failed(voice.SubmitSourceBuffer(samples.data(), static_cast<std::uint32_t>(samples.size()), item.buffer.get())))
        return false;
    inFlight_.push_back(item.buffer);
    voice.Start();
    return true;
}

void CVoiceManager::PlayNext()
{
    if (queue_.empty())
        return;
    current_ = std::move(queue_.front());
    queue_.pop_front();
    if (current_.pending && !PlayItem(current_))
        return;
    PreloadNext();
}

void CVoiceManager::PreloadNext()
{
    if (queue_.empty())
        return;
    SoundItem& next = queue_.front();
    if (!current_.name.empty() && !next.name.empty() && current_.buffer && next.buffer &&
        current_.buffer->format == next.buffer->format)
        PlayItem(next);
}

void CVoiceManager::AfterWave(CWaveBuffer* ended)
{
    if (resetting_.load())
        return;
    // The mixer is done reading this buffer.
    if (auto it = std::find_if(inFlight_.begin(), inFlight_.end(), [ended](const auto& b) { return b.get() == ended; });
        it != inFlight_.end())
        inFlight_.erase(it);
    current_.pending = false;
    if (current_.callback != nullptr)
        current_.callback->OnWaveEnd();
    std::lock_guard lock(owner_->lock_);
    PlayNext();
}

void CVoiceManager::ResetGroup()
{
    resetting_.store(true);
    queue_.clear();
    // Every sounding voice, not just the first: a group left busy would stall a track change.
    for (auto& [format, voice] : voices_)
        if (voice->BuffersQueued() > 0) {
            voice->Stop();
            voice->FlushSourceBuffers();
        }
    resetting_.store(false);
}

HRESULT CVoiceManager::SetVolume(float volume)
{
    for (auto& [format, voice] : voices_)
        if (const HRESULT hr = voice->SetVolume(volume); Failed(hr))
            return hr;
    return S_OK;
}

void CVoiceManager::OnBufferEnd(void* context)
{
    class CCMDAfterWave : public CCMDAudioGeneric {
    public:
        CCMDAfterWave(CPermanentAudio* a, std::uint64_t group, std::uint64_t generation, CWaveBuffer* ended)
            : CCMDAudioGeneric(a), group_(group), generation_(generation), ended_(ended)
        {
        }
        void Run() override { audio->AfterWave(group_, generation_, ended_); }

    private:
        std::uint64_t group_;
        std::uint64_t generation_;
        CWaveBuffer* ended_;
    };
    OuterFrame([&] { owner_->Post(new CCMDAfterWave(owner_, group_, generation_, static_cast<CWaveBuffer*>(context))); });
}

} // namespace Zorva::Audio
