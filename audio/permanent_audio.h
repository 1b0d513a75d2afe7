// The audio engine: background music, jingles and spoken help, each in its own voice group, on
// our own mixer. Every public operation only packs its arguments into a command for the engine's
// command thread, so callers on any thread never touch the voices. A lost device restarts the
// mixer; music is decoded on a stream thread of its own.
#pragma once

#include "audio/wave_buffer.h"
#include "kernel/config.h"
#include "kernel/thread.h"
#include "platform/hresult.h"
#include "platform/wave_format.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace Zorva::File {
class CFileHolderGeneric;
}

namespace Zorva::Audio {

inline constexpr size_t kMusicGroup = 0;
inline constexpr size_t kJingleGroup = 1;
inline constexpr size_t kHelpGroup = 2;
inline constexpr size_t kGroupCount = 3;
// The music's share while spoken help plays.
inline constexpr float kNarrationDuck = 0.125f;

class CPermanentAudio;
class CSoundCEO;
class CVoiceManager;
class CMediaStreamer;

// The callback of every music item: the track repeats while it is the current one.
class CStreamWave : public IWaveCallback {
public:
    explicit CStreamWave(CPermanentAudio* owner) : owner_(owner) {}
    void OnWaveEnd() override;

private:
    CPermanentAudio* owner_;
};

// Every command: counted, run once on the command thread (or the stream thread) and released.
class CCMDAudioGeneric : public Thread::ITask {
public:
    explicit CCMDAudioGeneric(CPermanentAudio* audio_) : audio(audio_) {}
    bool ReleaseAfterRun() override { return true; }

protected:
    CPermanentAudio* audio;
};

struct WaveFormatHash {
    size_t operator()(const Platform::WaveFormat& f) const;
};

class CPermanentAudio : public Kernel::IMuteSwitch {
public:
    // Starts both threads and takes the sound and music kinds of the loader; the engine itself
    // starts with InternalStart.
    CPermanentAudio();
    ~CPermanentAudio() override;
    CPermanentAudio(const CPermanentAudio&) = delete;
    CPermanentAudio& operator=(const CPermanentAudio&) = delete;

    // Opens the mixer, retrying with waits of 1, 2, 4 ... 8192 ms; the last failure when all fail.
    HRESULT InternalStart();

    // Applies the sound setting: off silences music and jingles, on starts a random track.
    void SetMuted();
    void SetMasterVolume(float volume);
    void SetVoiceVolume(float volume, size_t group);
    // Only when the value differs from the music group's stored volume (the change cue's fade).
    void SetMusicVolume(float volume);
    // Empties a group's queue and stops what it plays; the page switch cuts spoken help with it.
    void ResetQueue(size_t group);
    // Appends to a group's queue while the sound setting is on.
    void EnqueueSound(std::u16string name, size_t group, IWaveCallback* callback);
    // A jingle cuts the previous jingle; heard only while the sound setting is on.
    void PlayJingle(std::u16string name);
    // Spoken help cuts the previous help text; heard whatever the sound setting.
    void Describe(std::u16string name);
    // Changes the music track.
    void SetStream(std::u16string name);

    // Kind handlers of .zorva-snd and .zorva-strm, on a loading worker.
    void CreateBuffer(File::CFileHolderGeneric& file);
    void CreateStream(File::CFileHolderGeneric& file);

    // True when a voice of the group has buffers queued. The caller holds Lock().
    bool IsPlaying(size_t group) const;
    std::mutex& Lock() { return lock_; }

    // The frame step's ducking: the music drops to kNarrationDuck while spoken help plays and
    // comes back on the first frame after it.
    void DuckMusicForNarration();

    // The settings' sound toggle.
    void PostToggleMute() override { SetMuted(); }

private:
    friend class CSoundCEO;
    friend class CVoiceManager;
    friend class CStreamWave;

    // Posts to the command queue; a command posted while the engine goes is dropped.
    void Post(CCMDAudioGeneric* command);
    void PostToStreamQueue(CCMDAudioGeneric* command);

    // The rest runs on the command thread.
    void Enqueue(const std::u16string& name, size_t group, IWaveCallback* callback);
    void ResetGroup(size_t group);
    void StoreSound(const std::u16string& name, const Platform::WaveFormat& format, std::vector<std::uint8_t> samples);
    void AfterWave(size_t group, std::uint64_t generation, CWaveBuffer* ended);
    void Restart(std::uint64_t generation);
    void PostRestart(std::uint64_t generation);
    void ApplySoundSetting();
    void ApplyGroupVolume(size_t group);
    float EffectiveVolume(size_t group) const;
    void StartRandomTrack();
    void ChangeTrack(const std::u16string& name);
    void PrepareSystemStream(const std::u16string& name, CMediaStreamer* streamer);
    void RegisterStream(const std::u16string& name, std::unique_ptr<CMediaStreamer> streamer);

    // The sound setting as the engine reads it; on when no settings exist.
    static bool SoundSettingCurrent();
    static bool SoundSettingPending();

    CStreamWave streamWave_;
    std::u16string currentStream_;
    std::mutex lock_;
    std::unordered_set<Platform::WaveFormat, WaveFormatHash> formats_;
    std::unordered_map<std::u16string, CRef<CWaveBuffer>> sounds_;
    std::unordered_map<std::u16string, std::unique_ptr<CMediaStreamer>> streams_;
    std::array<std::atomic<float>, kGroupCount> groupVolumes_{1.0f, 1.0f, 1.0f};
    std::atomic<float> masterVolume_{1.0f};
    // The narration duck of the music group, as applied and as last asked for by the frame step.
    std::atomic<float> musicDuck_{1.0f};
    std::atomic<float> duckAsked_{1.0f};
    std::unique_ptr<Thread::CThreadPool> commandQueue_;
    std::unique_ptr<Thread::CThreadPool> streamQueue_;
    std::unique_ptr<CSoundCEO> engine_;

    std::mt19937 random_;
    // Each mixer gets a new number, so buffer ends and errors of a replaced one are ignored.
    std::uint64_t nextGeneration_ = 0;
    // Each track change gets a new number, so a track decoded for an earlier change is dropped.
    std::atomic<std::uint64_t> streamGeneration_{0};
    // Sound went on before any track had loaded: the first track to load starts.
    bool musicWanted_ = false;
    std::atomic<bool> closing_{false};
    std::mutex postMutex_;
    // Wakes a restart's wait between attempts when the engine goes.
    std::mutex waitMutex_;
    std::condition_variable closed_;
};

} // namespace Zorva::Audio
