// The platform mixer on SDL's disk driver: what the device receives for voices, volumes,
// queued buffers, stop, flush and a lost device.
#include "platform/audio_mixer.h"
#include "tests/audio/audio_capture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <thread>

namespace Zorva {
namespace {

using namespace std::chrono_literals;
using Platform::CAudioMixer;
using Platform::CSourceVoice;
using Platform::WaveFormat;
using Testing::kCaptureRate;
using Testing::SineFrames;
using Testing::ToneLevel;

class Recorder : public Platform::IVoiceCallback, public Platform::IMixerCallback {
public:
    void OnBufferEnd(void* context) override
    {
        std::lock_guard lock(mutex);
        ends.push_back(context);
        endThreads.push_back(std::this_thread::get_id());
    }
    void OnCriticalError(HRESULT error) override
    {
        std::lock_guard lock(mutex);
        critical.push_back(error);
    }
    std::vector<void*> Ends()
    {
        std::lock_guard lock(mutex);
        return ends;
    }
    size_t CriticalCount()
    {
        std::lock_guard lock(mutex);
        return critical.size();
    }

    std::mutex mutex;
    std::vector<void*> ends;
    std::vector<std::thread::id> endThreads;
    std::vector<HRESULT> critical;
};

void* Tag(std::uintptr_t n)
{
    return reinterpret_cast<void*>(n);
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CAudioMixer::Create(&recorder, mixer), S_OK);
        ASSERT_EQ(mixer->OutputRate(), kCaptureRate);
        ASSERT_EQ(mixer->OutputChannels(), 2);
        ASSERT_TRUE(capture.WaitFrames(kCaptureRate / 10, 5s));
    }
    void TearDown() override
    {
        voices.clear();
        mixer.reset();
    }

    CSourceVoice& Voice(const WaveFormat& format)
    {
        std::unique_ptr<CSourceVoice> v;
        EXPECT_EQ(mixer->CreateSourceVoice(format, &recorder, v), S_OK);
        voices.push_back(std::move(v));
        return *voices.back();
    }
    static void Submit(CSourceVoice& voice, const std::vector<std::int16_t>& frames, void* context)
    {
        ASSERT_EQ(voice.SubmitSourceBuffer(reinterpret_cast<const std::uint8_t*>(frames.data()),
                                           static_cast<std::uint32_t>(frames.size() * 2), context),
                  S_OK);
    }
    // Frames from `start` on, once `seconds` of them have arrived.
    std::vector<float> Take(size_t start, double seconds)
    {
        const auto frames = static_cast<size_t>(seconds * kCaptureRate);
        EXPECT_TRUE(capture.WaitFrames(start + frames, 10s));
        return capture.Samples(start, start + frames);
    }

    Testing::PrivateHome home;
    Testing::DiskAudioCapture capture{home.Temp()};
    Recorder recorder;
    std::unique_ptr<CAudioMixer> mixer;
    std::vector<std::unique_ptr<CSourceVoice>> voices;
};

// The first window from `from` on whose tone level reaches `level`, or npos.
size_t FirstWindowAbove(const std::vector<double>& track, double level, size_t from = 0)
{
    for (size_t i = from; i < track.size(); ++i)
        if (track[i] >= level)
            return i;
    return std::string::npos;
}

TEST_F(MixerTest, VoicesOfAnyRateAndChannelCountAreConvertedAndMixed)
{
    // Mono at 22050 reaches both speakers; stereo at 44100 keeps its sides apart.
    const auto mono = SineFrames({440.0}, 1.0, 22050, 0.4);
    const auto stereo = SineFrames({1000.0, 1500.0}, 1.0, 44100, 0.3);
    CSourceVoice& a = Voice(WaveFormat::Pcm16(1, 22050));
    CSourceVoice& b = Voice(WaveFormat::Pcm16(2, 44100));
    Submit(a, mono, Tag(1));
    Submit(b, stereo, Tag(2));
    const size_t start = capture.Frames();
    a.Start();
    b.Start();
    const auto out = Take(start, 1.6);

    // Where the tones began: the first 10 ms window that holds them.
    const auto track = Testing::ToneTrack(out, 440.0, 480);
    const size_t begin = FirstWindowAbove(track, 0.2);
    ASSERT_NE(begin, std::string::npos);
    const size_t mid = begin * 480 + kCaptureRate / 4;
    const size_t span = kCaptureRate / 2;
    EXPECT_NEAR(ToneLevel(out, mid, span, 440.0, 0), 0.4, 0.02);
    EXPECT_NEAR(ToneLevel(out, mid, span, 440.0, 1), 0.4, 0.02);
    EXPECT_NEAR(ToneLevel(out, mid, span, 1000.0, 0), 0.3, 0.02);
    EXPECT_LT(ToneLevel(out, mid, span, 1000.0, 1), 0.01);
    EXPECT_NEAR(ToneLevel(out, mid, span, 1500.0, 1), 0.3, 0.02);
    EXPECT_LT(ToneLevel(out, mid, span, 1500.0, 0), 0.01);

    // One second of each plays, then silence: the rate conversion keeps the length.
    size_t last = begin;
    for (size_t i = begin; i < track.size(); ++i)
        if (track[i] > 0.2)
            last = i;
    EXPECT_NEAR(static_cast<double>(last - begin + 1) * 480.0 / kCaptureRate, 1.0, 0.03);
    EXPECT_LT(Testing::Rms(out, (last + 3) * 480, kCaptureRate / 10, 0), 1e-4);

    // Both ends were reported, from the mixer's thread.
    ASSERT_TRUE(Testing::WaitFor([&] { return recorder.Ends().size() == 2; }, 2s));
    std::lock_guard lock(recorder.mutex);
    EXPECT_NE(recorder.endThreads[0], std::this_thread::get_id());
    EXPECT_EQ(a.BuffersQueued() + b.BuffersQueued(), 0u);
}

TEST_F(MixerTest, VoiceAndMasterVolumesScaleTheOutput)
{
    const auto tone = SineFrames({600.0}, 4.0, kCaptureRate, 0.5);
    CSourceVoice& v = Voice(WaveFormat::Pcm16(1, kCaptureRate));
    Submit(v, tone, nullptr);
    v.Start();
    struct Case {
        float voice;
        float master;
    };
    for (const Case c : {Case{1.0f, 1.0f}, Case{0.5f, 1.0f}, Case{0.5f, 0.5f}, Case{0.125f, 1.0f}, Case{0.0f, 1.0f}}) {
        ASSERT_EQ(v.SetVolume(c.voice), S_OK);
        ASSERT_EQ(mixer->SetMasterVolume(c.master), S_OK);
        EXPECT_EQ(v.GetVolume(), c.voice);
        EXPECT_EQ(mixer->GetMasterVolume(), c.master);
        // Skip the pass that ramps to the new volume.
        const size_t start = capture.Frames() + kCaptureRate / 10;
        const auto out = Take(start, 0.3);
        EXPECT_NEAR(ToneLevel(out, 0, out.size() / 2, 600.0), 0.5 * c.voice * c.master, 0.01)
            << "voice " << c.voice << " master " << c.master;
    }
}

TEST_F(MixerTest, QueuedBuffersJoinWithoutAGap)
{
    // One continuous sine cut into two buffers at a frame boundary plays back as one sine.
    const int rate = 32000;
    const double first = 0.4;
    const auto a = SineFrames({500.0}, first, rate, 0.5);
    const auto b = SineFrames({500.0}, 0.4, rate, 0.5, first * rate);
    CSourceVoice& v = Voice(WaveFormat::Pcm16(1, rate));
    Submit(v, a, Tag(1));
    Submit(v, b, Tag(2));
    EXPECT_EQ(v.BuffersQueued(), 2u);
    const size_t start = capture.Frames();
    v.Start();
    const auto out = Take(start, 1.2);

    EXPECT_NEAR(Testing::FirstLoudRun(out, 0.3), 0.8, 0.01) << "the join has a gap";
    // And nothing after the two buffers.
    const auto track = Testing::ToneTrack(out, 500.0, kCaptureRate / 50);
    size_t last = 0;
    for (size_t i = 0; i < track.size(); ++i)
        if (track[i] > 0.3)
            last = i;
    EXPECT_LT(Testing::Rms(out, (last + 2) * kCaptureRate / 50, kCaptureRate / 5), 1e-4);

    ASSERT_TRUE(Testing::WaitFor([&] { return recorder.Ends().size() == 2; }, 2s));
    EXPECT_EQ(recorder.Ends(), (std::vector<void*>{Tag(1), Tag(2)}));
}

TEST_F(MixerTest, StopPausesStartResumesAndFlushReportsTheDroppedBuffers)
{
    const auto tone = SineFrames({700.0}, 3.0, kCaptureRate, 0.5);
    const auto other = SineFrames({900.0}, 3.0, kCaptureRate, 0.5);
    CSourceVoice& v = Voice(WaveFormat::Pcm16(1, kCaptureRate));
    Submit(v, tone, Tag(1));
    Submit(v, other, Tag(2));
    v.Start();
    Take(capture.Frames(), 0.3);

    v.Stop();
    const auto stopped = Take(capture.Frames() + kCaptureRate / 20, 0.3);
    EXPECT_LT(Testing::Rms(stopped, 0, stopped.size() / 2), 1e-4);
    EXPECT_EQ(v.BuffersQueued(), 2u);

    v.Start();
    const auto resumed = Take(capture.Frames() + kCaptureRate / 20, 0.3);
    EXPECT_NEAR(ToneLevel(resumed, 0, resumed.size() / 2, 700.0), 0.5, 0.02);

    // While playing, a flush keeps the playing buffer and drops the one behind it.
    ASSERT_EQ(v.FlushSourceBuffers(), S_OK);
    EXPECT_EQ(v.BuffersQueued(), 1u);
    ASSERT_TRUE(Testing::WaitFor([&] { return recorder.Ends().size() == 1; }, 2s));
    EXPECT_EQ(recorder.Ends()[0], Tag(2));

    // Stopped, a flush drops everything.
    v.Stop();
    ASSERT_EQ(v.FlushSourceBuffers(), S_OK);
    EXPECT_EQ(v.BuffersQueued(), 0u);
    ASSERT_TRUE(Testing::WaitFor([&] { return recorder.Ends().size() == 2; }, 2s));
    EXPECT_EQ(recorder.Ends()[1], Tag(1));
    v.Start();
    const auto after = Take(capture.Frames() + kCaptureRate / 20, 0.3);
    EXPECT_LT(Testing::Rms(after, 0, after.size() / 2), 1e-4);
}

TEST_F(MixerTest, StopEngineSilencesEverythingAndEndsCallbacks)
{
    const auto tone = SineFrames({700.0}, 0.3, kCaptureRate, 0.5);
    CSourceVoice& v = Voice(WaveFormat::Pcm16(1, kCaptureRate));
    Submit(v, tone, Tag(1));
    mixer->StopEngine();
    v.Start();
    const auto out = Take(capture.Frames(), 0.6);
    EXPECT_LT(Testing::Rms(out, 0, out.size() / 2), 1e-4);
    EXPECT_TRUE(recorder.Ends().empty());
}

TEST_F(MixerTest, RefusesFormatsItCannotPlay)
{
    auto with = [](auto change) {
        WaveFormat f = WaveFormat::Pcm16(2, 44100);
        change(f);
        return f;
    };
    const WaveFormat refused[] = {
        with([](WaveFormat& f) { f.bitsPerSample = 8, f.blockAlign = 2; }),
        with([](WaveFormat& f) { f.formatTag = 3, f.bitsPerSample = 32, f.blockAlign = 8; }),
        with([](WaveFormat& f) { f.channels = 0; }),
        with([](WaveFormat& f) { f.blockAlign = 3; }),
        with([](WaveFormat& f) { f.samplesPerSec = 0; }),
        with([](WaveFormat& f) { f.channels = 19, f.blockAlign = 38; }),
    };
    for (const WaveFormat& f : refused) {
        std::unique_ptr<CSourceVoice> v;
        EXPECT_EQ(mixer->CreateSourceVoice(f, &recorder, v), E_INVALIDARG);
        EXPECT_FALSE(v);
        EXPECT_FALSE(CAudioMixer::IsPlayableFormat(f));
    }
    // Six channels fold into stereo: front left to the left only, centre to both.
    const auto six = SineFrames({300.0, 0.0, 800.0, 0.0, 0.0, 0.0}, 1.0, kCaptureRate, 0.4);
    CSourceVoice& v = Voice(WaveFormat::Pcm16(6, kCaptureRate));
    Submit(v, six, nullptr);
    v.Start();
    const auto out = Take(capture.Frames() + kCaptureRate / 5, 0.4);
    EXPECT_NEAR(ToneLevel(out, 0, out.size() / 2, 300.0, 0), 0.4, 0.02);
    EXPECT_LT(ToneLevel(out, 0, out.size() / 2, 300.0, 1), 0.01);
    EXPECT_NEAR(ToneLevel(out, 0, out.size() / 2, 800.0, 0), 0.4 * 0.7071, 0.02);
    EXPECT_NEAR(ToneLevel(out, 0, out.size() / 2, 800.0, 1), 0.4 * 0.7071, 0.02);
}

TEST_F(MixerTest, ALostDeviceIsReportedOnceAndANewMixerPlaysAgain)
{
    const auto tone = SineFrames({700.0}, 5.0, kCaptureRate, 0.5);
    CSourceVoice& v = Voice(WaveFormat::Pcm16(1, kCaptureRate));
    Submit(v, tone, nullptr);
    v.Start();
    Take(capture.Frames(), 0.2);
    capture.Disconnect(300ms);
    ASSERT_TRUE(Testing::WaitFor([&] { return recorder.CriticalCount() > 0; }, 3s));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(recorder.CriticalCount(), 1u);
    EXPECT_EQ(recorder.critical[0], Platform::kAudioDeviceInvalidated);

    voices.clear();
    mixer.reset();
    ASSERT_EQ(CAudioMixer::Create(&recorder, mixer), S_OK);
    CSourceVoice& again = Voice(WaveFormat::Pcm16(1, kCaptureRate));
    Submit(again, tone, nullptr);
    const size_t start = capture.Frames();
    again.Start();
    const auto out = Take(start + kCaptureRate / 5, 0.3);
    EXPECT_NEAR(ToneLevel(out, 0, out.size() / 2, 700.0), 0.5, 0.02);
    EXPECT_EQ(capture.Connections(), 2);
}

TEST(MixerWithoutDevice, CreateFailsWhenNoDriverIsAvailable)
{
    Testing::PrivateHome home;
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Recorder recorder;
    std::unique_ptr<CAudioMixer> mixer;
    const HRESULT hr = CAudioMixer::Create(&recorder, mixer);
    EXPECT_TRUE(Failed(hr));
    EXPECT_EQ(hr, FoldSystemError(ENODEV));
    EXPECT_FALSE(mixer);
}

} // namespace
} // namespace Zorva
