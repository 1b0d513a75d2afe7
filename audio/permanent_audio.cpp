#include "audio/permanent_audio.h"

#include "audio/media_streamer.h"
#include "audio/sound_ceo.h"
#include "audio/voice_manager.h"
#include "file/file_holder.h"
#include "file/kind_hooks.h"
#include "kernel/exceptions.h"
#include "kernel/music_list.h"
#include "kernel/persistent_singleton.h"
#include "platform/audio_mixer.h"

#include <chrono>
#include <shared_mutex>
#include <thread>

namespace Zorva::Audio {
namespace {

// The loader's hooks reach the engine through this pointer, so a file still loading while the
// engine goes finds nothing instead of a destroyed object.
std::shared_mutex g_hookMutex;
CPermanentAudio* g_hookTarget = nullptr;

// Filled when the engine is built, before anything loads.
void InstallKindHooks()
{
    File::KindHooks& hooks = File::GetKindHooks();
    hooks.sound = [](File::CFileHolderGeneric& file) {
        std::shared_lock lock(g_hookMutex);
        if (g_hookTarget != nullptr)
            g_hookTarget->CreateBuffer(file);
    };
    hooks.stream = [](File::CFileHolderGeneric& file) {
        std::shared_lock lock(g_hookMutex);
        if (g_hookTarget != nullptr)
            g_hookTarget->CreateStream(file);
    };
}

Kernel::CPersistentSingleton::CConfig* Config()
{
    Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer();
    return kernel != nullptr ? kernel->config.get() : nullptr;
}

Kernel::CMusicList* TrackList()
{
    Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer();
    return kernel != nullptr ? kernel->musicStreams.get() : nullptr;
}

} // namespace

size_t WaveFormatHash::operator()(const Platform::WaveFormat& f) const
{
    size_t h = 1469598103934665603ull;
    for (std::uint8_t b : f.Bytes())
        h = (h ^ b) * 1099511628211ull;
    return h;
}

void CStreamWave::OnWaveEnd()
{
    if (owner_->sounds_.count(owner_->currentStream_) != 0)
        owner_->Enqueue(owner_->currentStream_, kMusicGroup, this);
}

CPermanentAudio::CPermanentAudio() : streamWave_(this)
{
    random_.seed(std::random_device{}());
    commandQueue_ = std::make_unique<Thread::CThreadPool>(1u);
    streamQueue_ = std::make_unique<Thread::CThreadPool>(1u);
    InstallKindHooks();
    {
        std::unique_lock lock(g_hookMutex);
        g_hookTarget = this;
    }
    if (auto* config = Config())
        config->muteSwitch = this;
}

CPermanentAudio::~CPermanentAudio()
{
    {
        std::unique_lock lock(g_hookMutex);
        if (g_hookTarget == this)
            g_hookTarget = nullptr;
    }
    if (auto* config = Config(); config != nullptr && config->muteSwitch == this)
        config->muteSwitch = nullptr;
    // No restart from here on, and one waiting for a device gives up; a stopped mixer calls
    // nothing of ours.
    {
        std::lock_guard lock(waitMutex_);
        closing_.store(true);
    }
    closed_.notify_all();
    {
        std::lock_guard lock(lock_);
        if (engine_)
            engine_->StopEngine();
    }
    // The stream thread posts commands, so it goes first.
    std::unique_ptr<Thread::CThreadPool> streams;
    std::unique_ptr<Thread::CThreadPool> commands;
    {
        std::lock_guard lock(postMutex_);
        streams = std::move(streamQueue_);
    }
    streams.reset();
    {
        std::lock_guard lock(postMutex_);
        commands = std::move(commandQueue_);
    }
    commands.reset();
    {
        std::lock_guard lock(lock_);
        engine_.reset();
    }
    streams_.clear();
    sounds_.clear();
    formats_.clear();
}

void CPermanentAudio::Post(CCMDAudioGeneric* command)
{
    std::lock_guard lock(postMutex_);
    if (commandQueue_)
        commandQueue_->Post(command);
    else
        command->Release();
}

void CPermanentAudio::PostToStreamQueue(CCMDAudioGeneric* command)
{
    std::lock_guard lock(postMutex_);
    if (streamQueue_)
        streamQueue_->Post(command);
    else
        command->Release();
}

bool CPermanentAudio::SoundSettingCurrent()
{
    auto* config = Config();
    return config == nullptr || config->current.audio;
}

bool CPermanentAudio::SoundSettingPending()
{
    auto* config = Config();
    return config == nullptr || config->pending.audio;
}

// ---- Start and restart ----

HRESULT CPermanentAudio::InternalStart()
{
    HRESULT hr = E_FAIL;
    for (unsigned wait = 1; wait <= 8192; wait *= 2) {
        {
            std::lock_guard lock(lock_);
            engine_.reset();
        }
        auto ceo = std::make_unique<CSoundCEO>(this, ++nextGeneration_);
        hr = ceo->Initialise();
        if (Succeeded(hr)) {
            // The groups start without voices; the master volume is the one stored.
            for (size_t group = 0; group < kGroupCount; ++group)
                ceo->voiceManagers[group]->SetVolume(EffectiveVolume(group));
            ceo->engine->SetMasterVolume(masterVolume_.load());
            std::lock_guard lock(lock_);
            engine_ = std::move(ceo);
            return S_OK;
        }
        ceo.reset();
        std::unique_lock lock(waitMutex_);
        if (closed_.wait_for(lock, std::chrono::milliseconds(wait), [this] { return closing_.load(); }) || !KeepWorking())
            break;
    }
    return hr;
}

void CPermanentAudio::PostRestart(std::uint64_t generation)
{
    class CCMDRestartAudio : public CCMDAudioGeneric {
    public:
        CCMDRestartAudio(CPermanentAudio* a, std::uint64_t generation) : CCMDAudioGeneric(a), generation_(generation) {}
        void Run() override { audio->Restart(generation_); }

    private:
        std::uint64_t generation_;
    };
    Post(new CCMDRestartAudio(this, generation));
}

void CPermanentAudio::Restart(std::uint64_t generation)
{
    if (closing_.load())
        return;
    {
        // The lock covers only the replacement, never the retries: the frame step asks for the
        // narration state under it every frame and must not wait out a missing device.
        std::lock_guard lock(lock_);
        if (!engine_ || engine_->generation != generation)
            return;
        engine_->StopEngine();
        engine_.reset();
    }
    const HRESULT hr = InternalStart();
    if (Failed(hr)) {
        if (KeepWorking() && !closing_.load())
            throw Exception::AudioFailed(hr, u"InternalReset");
        return;
    }
    // Queued sounds are gone with the old mixer; the music comes back.
    if (SoundSettingCurrent() && !currentStream_.empty())
        ChangeTrack(currentStream_);
}

// ---- Volumes and muting ----

float CPermanentAudio::EffectiveVolume(size_t group) const
{
    const float volume = groupVolumes_[group].load();
    return group == kMusicGroup ? volume * musicDuck_.load() : volume;
}

void CPermanentAudio::ApplyGroupVolume(size_t group)
{
    if (engine_)
        engine_->voiceManagers[group]->SetVolume(EffectiveVolume(group));
}

void CPermanentAudio::SetMasterVolume(float volume)
{
    class CCMDSetMasterVolume : public CCMDAudioGeneric {
    public:
        CCMDSetMasterVolume(CPermanentAudio* a, float volume) : CCMDAudioGeneric(a), volume_(volume) {}
        void Run() override
        {
            audio->masterVolume_.store(volume_);
            if (audio->engine_)
                audio->engine_->engine->SetMasterVolume(volume_);
        }

    private:
        float volume_;
    };
    Post(new CCMDSetMasterVolume(this, volume));
}

void CPermanentAudio::SetVoiceVolume(float volume, size_t group)
{
    class CCMDSetVoiceVolume : public CCMDAudioGeneric {
    public:
        CCMDSetVoiceVolume(CPermanentAudio* a, float volume, size_t group)
            : CCMDAudioGeneric(a), volume_(volume), group_(group)
        {
        }
        void Run() override
        {
            audio->groupVolumes_[group_].store(volume_);
            audio->ApplyGroupVolume(group_);
        }

    private:
        float volume_;
        size_t group_;
    };
    if (group < kGroupCount)
        Post(new CCMDSetVoiceVolume(this, volume, group));
}

void CPermanentAudio::SetMusicVolume(float volume)
{
    if (volume != groupVolumes_[kMusicGroup].load())
        SetVoiceVolume(volume, kMusicGroup);
}

void CPermanentAudio::DuckMusicForNarration()
{
    class CCMDDuckMusic : public CCMDAudioGeneric {
    public:
        CCMDDuckMusic(CPermanentAudio* a, float duck) : CCMDAudioGeneric(a), duck_(duck) {}
        void Run() override
        {
            audio->musicDuck_.store(duck_);
            audio->ApplyGroupVolume(kMusicGroup);
        }

    private:
        float duck_;
    };
    bool narrating = false;
    {
        std::lock_guard lock(lock_);
        narrating = IsPlaying(kHelpGroup);
    }
    // A factor of its own, so a fade of the music and the ducking never undo each other.
    const float duck = narrating ? kNarrationDuck : 1.0f;
    if (duckAsked_.exchange(duck) != duck)
        Post(new CCMDDuckMusic(this, duck));
}

void CPermanentAudio::SetMuted()
{
    class CCMDSetMuted : public CCMDAudioGeneric {
    public:
        using CCMDAudioGeneric::CCMDAudioGeneric;
        void Run() override { audio->ApplySoundSetting(); }
    };
    Post(new CCMDSetMuted(this));
}

void CPermanentAudio::ApplySoundSetting()
{
    const float volume = SoundSettingCurrent() ? 1.0f : 0.0f;
    for (size_t group : {kMusicGroup, kJingleGroup}) {
        groupVolumes_[group].store(volume);
        ApplyGroupVolume(group);
    }
    if (volume == 0.0f) {
        musicWanted_ = false;
        ResetGroup(kMusicGroup);
        ResetGroup(kJingleGroup);
        // Without its sound the track does not repeat.
        sounds_.erase(currentStream_);
    } else {
        StartRandomTrack();
    }
}

// ---- Sounds and queues ----

void CPermanentAudio::CreateBuffer(File::CFileHolderGeneric& file)
{
    class CCMDCreateBuffer : public CCMDAudioGeneric {
    public:
        CCMDCreateBuffer(CPermanentAudio* a, std::u16string name, const Platform::WaveFormat& format,
                         std::vector<std::uint8_t> samples)
            : CCMDAudioGeneric(a), name_(std::move(name)), format_(format), samples_(std::move(samples))
        {
        }
        void Run() override { audio->StoreSound(name_, format_, std::move(samples_)); }

    private:
        std::u16string name_;
        Platform::WaveFormat format_;
        std::vector<std::uint8_t> samples_;
    };
    std::vector<std::uint8_t>& payload = file.Payload();
    if (payload.size() < Platform::WaveFormat::kBytes)
        throw Exception::FileCorrupt(E_FAIL, u"Validation");
    const Platform::WaveFormat format = Platform::WaveFormat::Read(payload.data());
    // The stored format holds no extra bytes, and a sound no voice can play is a damaged file.
    if (format.extraSize != 0 || !Platform::CAudioMixer::IsPlayableFormat(format))
        throw Exception::FileCorrupt(E_FAIL, u"Validation");
    std::vector<std::uint8_t> samples(payload.begin() + Platform::WaveFormat::kBytes, payload.end());
    payload.clear();
    payload.shrink_to_fit();
    Post(new CCMDCreateBuffer(this, file.GetResourceName(), format, std::move(samples)));
}

void CPermanentAudio::StoreSound(const std::u16string& name, const Platform::WaveFormat& format,
                                 std::vector<std::uint8_t> samples)
{
    const Platform::WaveFormat* stored = &*formats_.insert(format).first;
    if (sounds_.count(name) == 0)
        sounds_.emplace(name, CRef<CWaveBuffer>::Adopt(new CWaveBuffer(stored, std::move(samples))));
}

void CPermanentAudio::Enqueue(const std::u16string& name, size_t group, IWaveCallback* callback)
{
    if (!engine_)
        return;
    SoundItem item;
    item.name = name;
    item.callback = callback;
    if (auto found = sounds_.find(name); found != sounds_.end())
        item.buffer = found->second;
    std::lock_guard lock(lock_);
    CVoiceManager& manager = *engine_->voiceManagers[group];
    manager.Append(std::move(item));
    if (!manager.IsBusy()) {
        manager.PlayNext();
        if (!manager.IsBusy())
            manager.PlayNext();
    } else {
        // Behind a sound that plays now: queued ahead, so a same-format successor joins seamlessly.
        manager.PreloadNext();
    }
}

void CPermanentAudio::ResetGroup(size_t group)
{
    if (engine_)
        engine_->voiceManagers[group]->ResetGroup();
}

void CPermanentAudio::AfterWave(size_t group, std::uint64_t generation, CWaveBuffer* ended)
{
    if (engine_ && engine_->generation == generation)
        engine_->voiceManagers[group]->AfterWave(ended);
}

bool CPermanentAudio::IsPlaying(size_t group) const
{
    return engine_ && group < kGroupCount && engine_->voiceManagers[group]->IsBusy();
}

void CPermanentAudio::ResetQueue(size_t group)
{
    class CCMDReset : public CCMDAudioGeneric {
    public:
        CCMDReset(CPermanentAudio* a, size_t group) : CCMDAudioGeneric(a), group_(group) {}
        void Run() override { audio->ResetGroup(group_); }

    private:
        size_t group_;
    };
    if (group < kGroupCount)
        Post(new CCMDReset(this, group));
}

void CPermanentAudio::EnqueueSound(std::u16string name, size_t group, IWaveCallback* callback)
{
    class CCMDEnqueueSound : public CCMDAudioGeneric {
    public:
        CCMDEnqueueSound(CPermanentAudio* a, std::u16string name, size_t group, IWaveCallback* callback)
            : CCMDAudioGeneric(a), name_(std::move(name)), group_(group), callback_(callback)
        {
        }
        void Run() override { audio->Enqueue(name_, group_, callback_); }

    private:
        std::u16string name_;
        size_t group_;
        IWaveCallback* callback_;
    };
    if (group < kGroupCount && SoundSettingPending())
        Post(new CCMDEnqueueSound(this, std::move(name), group, callback));
}

void CPermanentAudio::PlayJingle(std::u16string name)
{
    class CCMDResetQueue : public CCMDAudioGeneric {
    public:
        CCMDResetQueue(CPermanentAudio* a, std::u16string name) : CCMDAudioGeneric(a), name_(std::move(name)) {}
        void Run() override
        {
            audio->ResetGroup(kJingleGroup);
            audio->Enqueue(name_, kJingleGroup, nullptr);
        }

    private:
        std::u16string name_;
    };
    Post(new CCMDResetQueue(this, std::move(name)));
}

void CPermanentAudio::Describe(std::u16string name)
{
    class CCMDResetQueue : public CCMDAudioGeneric {
    public:
        CCMDResetQueue(CPermanentAudio* a, std::u16string name) : CCMDAudioGeneric(a), name_(std::move(name)) {}
        void Run() override
        {
            audio->ResetGroup(kHelpGroup);
            audio->Enqueue(name_, kHelpGroup, nullptr);
        }

    private:
        std::u16string name_;
    };
    Post(new CCMDResetQueue(this, std::move(name)));
}

// ---- Music ----

void CPermanentAudio::CreateStream(File::CFileHolderGeneric& file)
{
    class CCMDStreamBuffer : public CCMDAudioGeneric {
    public:
        CCMDStreamBuffer(CPermanentAudio* a, std::u16string name, std::unique_ptr<CMediaStreamer> streamer)
            : CCMDAudioGeneric(a), name_(std::move(name)), streamer_(std::move(streamer))
        {
        }
        void Run() override { audio->RegisterStream(name_, std::move(streamer_)); }

    private:
        std::u16string name_;
        std::unique_ptr<CMediaStreamer> streamer_;
    };
    auto streamer = std::make_unique<CMediaStreamer>(std::move(file.Payload()));
    Post(new CCMDStreamBuffer(this, file.GetResourceName(), std::move(streamer)));
}

void CPermanentAudio::RegisterStream(const std::u16string& name, std::unique_ptr<CMediaStreamer> streamer)
{
    if (auto* list = TrackList())
        list->Add(name);
    streams_.emplace(name, std::move(streamer));
    if (musicWanted_ && currentStream_.empty() && SoundSettingCurrent()) {
        musicWanted_ = false;
        StartRandomTrack();
    }
}

void CPermanentAudio::StartRandomTrack()
{
    auto* list = TrackList();
    std::optional<std::u16string> name = list != nullptr ? list->PickRandom(random_) : std::nullopt;
    if (!name) {
        // Sound goes on before the music has loaded: the first track to arrive starts.
        musicWanted_ = true;
        return;
    }
    ChangeTrack(*name);
}

void CPermanentAudio::SetStream(std::u16string name)
{
    // The change runs on the command thread, so no two threads ever touch the music group.
    class CCMDSetStream : public CCMDAudioGeneric {
    public:
        CCMDSetStream(CPermanentAudio* a, std::u16string name) : CCMDAudioGeneric(a), name_(std::move(name)) {}
        void Run() override { audio->ChangeTrack(name_); }

    private:
        std::u16string name_;
    };
    Post(new CCMDSetStream(this, std::move(name)));
}

void CPermanentAudio::ChangeTrack(const std::u16string& name)
{
    ResetGroup(kMusicGroup);
    while (engine_ && engine_->voiceManagers[kMusicGroup]->IsBusy())
        std::this_thread::yield();
    sounds_.erase(currentStream_);
    currentStream_ = name;
    streamGeneration_.fetch_add(1);
    // A new track starts at full music volume, after a fade has taken the old one down.
    if (SoundSettingCurrent()) {
        groupVolumes_[kMusicGroup].store(1.0f);
        ApplyGroupVolume(kMusicGroup);
    }
    if (auto found = streams_.find(name); found != streams_.end())
        PrepareSystemStream(name, found->second.get());
}

void CPermanentAudio::PrepareSystemStream(const std::u16string& name, CMediaStreamer* streamer)
{
    class CCMDCreateStream : public CCMDAudioGeneric {
    public:
        CCMDCreateStream(CPermanentAudio* a, std::u16string name, CMediaStreamer* streamer, std::uint64_t generation)
            : CCMDAudioGeneric(a), name_(std::move(name)), streamer_(streamer), generation_(generation)
        {
        }
        // On the stream thread.
        void Run() override
        {
            if (audio->streamGeneration_.load() != generation_)
                return;
            std::vector<std::uint8_t> pcm = streamer_->DecodeAll();
            audio->Post(new CCMDStoreTrack(audio, name_, streamer_->Format(), std::move(pcm), generation_));
            audio->EnqueueSound(name_, kMusicGroup, &audio->streamWave_);
        }

    private:
        // Stores the decoded track unless another track was chosen meanwhile.
        class CCMDStoreTrack : public CCMDAudioGeneric {
        public:
            CCMDStoreTrack(CPermanentAudio* a, std::u16string name, const Platform::WaveFormat& format,
                           std::vector<std::uint8_t> pcm, std::uint64_t generation)
                : CCMDAudioGeneric(a), name_(std::move(name)), format_(format), pcm_(std::move(pcm)),
                  generation_(generation)
            {
            }
            void Run() override
            {
                if (audio->streamGeneration_.load() == generation_)
                    audio->StoreSound(name_, format_, std::move(pcm_));
            }

        private:
            std::u16string name_;
            Platform::WaveFormat format_;
            std::vector<std::uint8_t> pcm_;
            std::uint64_t generation_;
        };

        std::u16string name_;
        CMediaStreamer* streamer_;
        std::uint64_t generation_;
    };
    PostToStreamQueue(new CCMDCreateStream(this, name, streamer, streamGeneration_.load()));
}

} // namespace Zorva::Audio
