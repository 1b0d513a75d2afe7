// A bare kernel object with settings, the track list, the audio engine on the disk driver and a
// stand-in for the render thread's frames, plus resource files handed to the engine's kind hooks
// the way the loader hands them.
#pragma once

#include "audio/change_cue.h"
#include "audio/permanent_audio.h"
#include "file/file_holder.h"
#include "file/kind_hooks.h"
#include "kernel/config.h"
#include "kernel/events.h"
#include "kernel/music_list.h"
#include "kernel/persistent_singleton.h"
#include "platform/music_decoder.h"
#include "tests/audio/audio_capture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace Zorva::Testing {

using namespace std::chrono_literals;

// One loaded file as the loader hands it to a kind handler.
class TestFile : public File::CFileHolderGeneric {
public:
    TestFile(std::u16string path, std::vector<std::uint8_t> payload)
        : CFileHolderGeneric(std::move(path), static_cast<std::uint32_t>(payload.size()))
    {
        payload_ = std::move(payload);
    }
};

// Frames every 16 ms on a thread of their own, as the render thread's frame-move step runs them:
// FrameTime, the narration ducking, then the frame channel.
class FrameLoop {
public:
    explicit FrameLoop(Audio::CPermanentAudio& audio) : audio_(audio)
    {
        thread_ = std::thread([this] {
            const auto begin = std::chrono::steady_clock::now();
            while (!stop_.load()) {
                std::vector<std::function<void()>> jobs;
                {
                    std::lock_guard lock(mutex_);
                    jobs.swap(jobs_);
                }
                FrameTime = 1.0 + std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
                audio_.DuckMusicForNarration();
                for (auto& job : jobs)
                    job();
                Kernel::CEventRegistry::Instance().Fire(Kernel::Channel::Frame);
                frames_.fetch_add(1);
                std::this_thread::sleep_for(16ms);
            }
        });
    }
    ~FrameLoop()
    {
        stop_.store(true);
        thread_.join();
    }
    // Runs on the frame thread before the next frame fires its channel.
    void OnNextFrame(std::function<void()> job)
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    long Frames() const { return frames_.load(); }

private:
    Audio::CPermanentAudio& audio_;
    std::mutex mutex_;
    std::vector<std::function<void()>> jobs_;
    std::atomic<bool> stop_{false};
    std::atomic<long> frames_{0};
    std::thread thread_;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kernel.musicStreams.Emplace();
        kernel.config.Emplace();
        kernel.random.seed(12345);
        kernel.audio.Emplace();
        ASSERT_EQ(audio().InternalStart(), S_OK);
        ASSERT_TRUE(capture.WaitFrames(kCaptureRate / 10, 5s));
    }
    void TearDown() override
    {
        frames.reset();
        kernel.changeCue.Reset();
        kernel.audio.Reset();
    }

    Audio::CPermanentAudio& audio() { return *kernel.audio; }

    // A .zorva-snd file handed to the engine; the samples are interleaved 16-bit frames.
    static void LoadSound(const std::u16string& name, const std::vector<std::int16_t>& frames, int channels, int rate)
    {
        TestFile file(u"/res/Boot/" + name + u".zorva-snd", SoundPayload(frames, channels, rate));
        File::GetKindHooks().sound(file);
    }
    // A .zorva-strm file of Ogg Vorbis music.
    static void LoadTrack(const std::u16string& name, const std::vector<std::int16_t>& frames, int channels, int rate)
    {
        TestFile file(u"/res/Stream/" + name + u".zorva-strm",
                      Platform::EncodeMusic(frames, channels, rate, Platform::MusicContainer::OggVorbis));
        File::GetKindHooks().stream(file);
    }
    void SetSound(bool on)
    {
        kernel.config->current.audio = on;
        kernel.config->pending.audio = on;
        audio().SetMuted();
    }
    void StartFrames() { frames = std::make_unique<FrameLoop>(audio()); }

    // Frames from `start` on, once `seconds` of them have arrived. `pace` is how many seconds of
    // sound the device took per second of the clock meanwhile: the disk driver only keeps close
    // to real time, and slower under load.
    std::vector<float> Take(size_t start, double seconds, double* pace = nullptr)
    {
        const auto n = static_cast<size_t>(seconds * kCaptureRate);
        const auto begin = std::chrono::steady_clock::now();
        const size_t before = capture.Frames();
        EXPECT_TRUE(capture.WaitFrames(start + n, 20s));
        if (pace != nullptr) {
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            *pace = static_cast<double>(capture.Frames() - before) / kCaptureRate / wall;
        }
        return capture.Samples(start, start + n);
    }

    PrivateHome home;
    DiskAudioCapture capture{home.Temp()};
    Kernel::CPersistentSingleton kernel{Kernel::CPersistentSingleton::Bare{}};
    std::unique_ptr<FrameLoop> frames;
};

// 20 ms windows.
inline constexpr size_t kWindow = kCaptureRate / 50;

inline std::vector<double> Track(const std::vector<float>& s, double hz)
{
    return ToneTrack(s, hz, kWindow);
}

// Windows whose level is at least `level`.
inline size_t CountAbove(const std::vector<double>& track, double level)
{
    size_t n = 0;
    for (double v : track)
        n += v >= level ? 1 : 0;
    return n;
}

// The highest level from window `from` on.
inline double Peak(const std::vector<double>& track, size_t from = 0)
{
    double peak = 0.0;
    for (size_t i = from; i < track.size(); ++i)
        peak = std::max(peak, track[i]);
    return peak;
}

inline size_t FirstAbove(const std::vector<double>& track, double level, size_t from = 0)
{
    for (size_t i = from; i < track.size(); ++i)
        if (track[i] >= level)
            return i;
    return track.size();
}

inline size_t LastAbove(const std::vector<double>& track, double level)
{
    for (size_t i = track.size(); i-- > 0;)
        if (track[i] >= level)
            return i;
    return track.size();
}

} // namespace Zorva::Testing
