// The audio engine on SDL's disk driver: jingles, spoken help, the sound setting, ducking, queues
// and a lost device, judged by the tones the device really received.
#include "tests/audio/engine_fixture.h"

#include "audio/media_streamer.h"
#include "kernel/exceptions.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace Zorva {
namespace Testing {
std::vector<std::u16string> ShownReports();
}
namespace {

using namespace Testing;

bool AnyReportNames(std::u16string_view operation)
{
    for (const std::u16string& r : ShownReports())
        if (r.find(u"Operation: " + std::u16string(operation) + u"\n") != std::u16string::npos)
            return true;
    return false;
}

TEST_F(EngineTest, AJingleOrHelpTextIsHeardAndTheNextOneCutsIt)
{
    LoadSound(u"click", SineFrames({440.0}, 1.0, 44100, 0.5), 1, 44100);
    LoadSound(u"pop", SineFrames({660.0, 660.0}, 0.4, 22050, 0.5), 2, 22050);
    struct Case {
        const char* what;
        void (Audio::CPermanentAudio::*play)(std::u16string);
    };
    for (const Case c : {Case{"jingle", &Audio::CPermanentAudio::PlayJingle}, Case{"help", &Audio::CPermanentAudio::Describe}}) {
        SCOPED_TRACE(c.what);
        const size_t start = capture.Frames();
        (audio().*c.play)(u"click");
        const auto heard = capture.WaitForTone(440.0, 0.4, start, 3s);
        ASSERT_TRUE(heard) << "the first one never played";
        ASSERT_TRUE(capture.WaitFrames(*heard + 3 * kCaptureRate / 10, 5s));
        (audio().*c.play)(u"pop");
        const auto out = Take(*heard, 1.5);

        const auto first = Track(out, 440.0);
        const auto second = Track(out, 660.0);
        const size_t cut = FirstAbove(second, 0.4);
        ASSERT_LT(cut, second.size()) << "the second one never played";
        EXPECT_LT(cut, 25u) << "the second one waited for the first to end";
        // The first played at its level until the cut and never came back after it.
        for (size_t i = 1; i + 1 < cut; ++i)
            EXPECT_NEAR(first[i], 0.5, 0.03) << "window " << i;
        EXPECT_LT(Peak(first, cut + 2), 0.05);
        // The second played whole: 0.4 s, then silence.
        EXPECT_NEAR(static_cast<double>(LastAbove(second, 0.4) - cut + 1) * kWindow / kCaptureRate, 0.4, 0.05);
        EXPECT_LT(Rms(out, (LastAbove(second, 0.4) + 2) * kWindow, kCaptureRate / 5), 1e-4);
    }
}

TEST_F(EngineTest, WithSoundOffMusicAndJinglesAreSilentAndSpokenHelpIsHeard)
{
    LoadSound(u"click", SineFrames({440.0}, 2.0, 44100, 0.5), 1, 44100);
    LoadSound(u"help_menu", SineFrames({1000.0}, 1.5, 44100, 0.5), 1, 44100);
    LoadTrack(u"tune", SineFrames({300.0, 300.0}, 3.0, 44100, 0.4), 2, 44100);
    SetSound(false);
    audio().SetStream(u"tune");
    audio().PlayJingle(u"click");
    audio().EnqueueSound(u"click", Audio::kJingleGroup, nullptr);
    audio().Describe(u"help_menu");
    const size_t start = capture.Frames();
    const auto help = capture.WaitForTone(1000.0, 0.4, start, 3s);
    ASSERT_TRUE(help) << "spoken help is not heard with the sound off";
    const auto off = Take(start, 2.0);
    EXPECT_GT(CountAbove(Track(off, 1000.0), 0.45), 60u);
    // Where the help starts and stops, its clicks spread a little into every tone.
    EXPECT_LT(Peak(Track(off, 440.0)), 0.05);
    EXPECT_LT(Peak(Track(off, 300.0)), 0.05);

    // Back on: a track starts and jingles are heard again.
    SetSound(true);
    const auto music = capture.WaitForTone(300.0, 0.3, capture.Frames(), 5s);
    ASSERT_TRUE(music) << "no music after the sound went back on";
    audio().PlayJingle(u"click");
    ASSERT_TRUE(capture.WaitForTone(440.0, 0.4, *music, 3s));
}

TEST_F(EngineTest, MusicIsDuckedWhileHelpPlaysAndBackAtFullTheFrameAfter)
{
    LoadTrack(u"tune", SineFrames({300.0, 300.0}, 6.0, 44100, 0.4), 2, 44100);
    LoadSound(u"help_art", SineFrames({1000.0}, 1.0, 48000, 0.5), 1, 48000);
    StartFrames();
    SetSound(true);
    const auto music = capture.WaitForTone(300.0, 0.35, capture.Frames(), 5s);
    ASSERT_TRUE(music);
    ASSERT_TRUE(capture.WaitFrames(*music + kCaptureRate / 2, 5s));
    // From a little before the request: the help may begin right at the next device period.
    const size_t start = capture.Frames() - 10 * kWindow;
    audio().Describe(u"help_art");
    const auto out = Take(start, 2.2);

    const auto help = Track(out, 1000.0);
    const auto tune = Track(out, 300.0);
    const size_t on = FirstAbove(help, 0.45);
    const size_t last = LastAbove(help, 0.45);
    ASSERT_LT(on, help.size());
    EXPECT_NEAR(static_cast<double>(last - on + 1) * kWindow / kCaptureRate, 1.0, 0.05);
    // Before: full; while the help speaks: an eighth (the first windows ramp down); after: full.
    ASSERT_GE(on, 8u);
    for (size_t i = 0; i + 1 < on; ++i)
        EXPECT_NEAR(tune[i], 0.4, 0.03) << "window " << i;
    for (size_t i = on + 3; i < last; ++i)
        EXPECT_NEAR(tune[i] / 0.4, Audio::kNarrationDuck, 0.03) << "window " << i;
    // The frame after the help ends lifts the duck; the mixer ramps over one period.
    const size_t back = FirstAbove(tune, 0.38, last);
    EXPECT_LE(back, last + 4) << "music came back " << (back - last) * 20 << " ms after the help";
    for (size_t i = back; i < tune.size(); ++i)
        EXPECT_NEAR(tune[i], 0.4, 0.03) << "window " << i;
}

TEST_F(EngineTest, QueuedSoundsOfOneFormatJoinWithoutAGapAndAnotherFormatFollows)
{
    const int rate = 32000;
    LoadSound(u"first", SineFrames({500.0}, 0.5, rate, 0.5), 1, rate);
    LoadSound(u"second", SineFrames({500.0}, 0.5, rate, 0.5, 0.5 * rate), 1, rate);
    LoadSound(u"third", SineFrames({800.0, 800.0}, 0.3, 22050, 0.5), 2, 22050);
    const size_t start = capture.Frames();
    for (const char16_t* name : {u"first", u"second", u"third"})
        audio().EnqueueSound(name, Audio::kHelpGroup, nullptr);
    const auto out = Take(start, 2.0);

    EXPECT_NEAR(FirstLoudRun(out, 0.3), 1.0, 0.01) << "the join has a gap";

    // The third starts on its own voice once the second has ended, never over it.
    const auto a = Track(out, 500.0);
    const auto c = Track(out, 800.0);
    const size_t third = FirstAbove(c, 0.45);
    ASSERT_LT(third, c.size());
    EXPECT_GE(third, LastAbove(a, 0.05));
    EXPECT_NEAR(static_cast<double>(LastAbove(c, 0.45) - third + 1) * kWindow / kCaptureRate, 0.3, 0.05);
}

TEST_F(EngineTest, AMissingOrEmptySoundDoesNotHoldUpTheNext)
{
    LoadSound(u"empty", {}, 1, 44100);
    LoadSound(u"tone", SineFrames({600.0}, 0.5, 44100, 0.5), 1, 44100);
    for (const char16_t* name : {u"missing", u"empty", u"tone"})
        audio().EnqueueSound(name, Audio::kHelpGroup, nullptr);
    const size_t start = capture.Frames();
    const auto heard = capture.WaitForTone(600.0, 0.45, start, 3s);
    ASSERT_TRUE(heard);
    EXPECT_LT(static_cast<double>(*heard - start) / kCaptureRate, 0.15);
}

TEST_F(EngineTest, ALostDeviceRestartsTheEngineAndLaterSoundsPlay)
{
    LoadSound(u"long", SineFrames({440.0}, 4.0, 44100, 0.5), 1, 44100);
    LoadSound(u"click", SineFrames({660.0}, 0.3, 44100, 0.5), 1, 44100);
    LoadTrack(u"tune", SineFrames({300.0, 300.0}, 6.0, 44100, 0.3), 2, 44100);
    SetSound(true);
    ASSERT_TRUE(capture.WaitForTone(300.0, 0.25, capture.Frames(), 5s));
    audio().PlayJingle(u"long");
    ASSERT_TRUE(capture.WaitForTone(440.0, 0.4, capture.Frames(), 3s));

    capture.Disconnect(300ms);
    ASSERT_TRUE(WaitFor([&] { return capture.Connections() == 2; }, 10s)) << "the engine did not restart";
    const size_t restarted = capture.Frames();
    // The jingle that was playing is gone with the old device; the music comes back.
    const auto music = capture.WaitForTone(300.0, 0.25, restarted, 5s);
    ASSERT_TRUE(music);
    audio().PlayJingle(u"click");
    ASSERT_TRUE(capture.WaitForTone(660.0, 0.4, *music, 3s)) << "no sound after the restart";
    const auto out = Take(restarted, 2.0);
    // (Only the clicks where the other sounds start spread a little into its tone.)
    EXPECT_LT(Peak(Track(out, 440.0)), 0.1);
    EXPECT_TRUE(ShownReports().empty());
}

TEST_F(EngineTest, ARestartThatFindsNoDeviceGivesUpWithInternalReset)
{
    LoadSound(u"long", SineFrames({440.0}, 4.0, 44100, 0.5), 1, 44100);
    audio().PlayJingle(u"long");
    ASSERT_TRUE(capture.WaitForTone(440.0, 0.4, capture.Frames(), 3s));
    // The device's file becomes a folder: every attempt to open it fails.
    capture.Disconnect(200ms);
    const auto lost = std::chrono::steady_clock::now();
    std::filesystem::remove(capture.Path());
    std::filesystem::create_directory(capture.Path());
    ASSERT_TRUE(WaitFor([] { return AnyReportNames(u"InternalReset"); }, 40s));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - lost).count();
    EXPECT_GE(seconds, 16.3);
    EXPECT_LT(seconds, 25.0);
    const std::u16string report = ShownReports().front();
    EXPECT_NE(report.find(SelectText(Texts::MsgSoundCard)), std::u16string::npos);
}

TEST_F(EngineTest, AnEngineThatGoesWhileARestartWaitsForADeviceEndsAtOnce)
{
    capture.Disconnect(200ms);
    std::filesystem::remove(capture.Path());
    std::filesystem::create_directory(capture.Path());
    // Well into the retries, whose remaining waits add up to more than ten seconds.
    std::this_thread::sleep_for(3s);
    const auto begin = std::chrono::steady_clock::now();
    kernel.audio.Reset();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(), 1.0);
    EXPECT_TRUE(ShownReports().empty());
}

TEST_F(EngineTest, DamagedSoundFilesAreRefused)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> payload;
    };
    std::vector<std::uint8_t> extra = SoundPayload(SineFrames({440.0}, 0.1, 44100, 0.5), 1, 44100);
    extra[16] = 2;
    std::vector<std::uint8_t> eightBit = SoundPayload({}, 1, 44100);
    eightBit[14] = 8;
    const Case cases[] = {
        {"shorter than the format", std::vector<std::uint8_t>(17, 0)},
        {"extra format bytes", extra},
        {"8-bit samples", eightBit},
    };
    for (const Case& c : cases) {
        TestFile file(u"/res/Boot/bad.zorva-snd", c.payload);
        EXPECT_THROW(File::GetKindHooks().sound(file), Exception::FileCorrupt) << c.what;
    }
    EXPECT_TRUE(AnyReportNames(u"Validation"));
    // Exactly the format and nothing else is a sound without samples.
    TestFile bare(u"/res/Boot/bare.zorva-snd", SoundPayload({}, 1, 44100));
    EXPECT_NO_THROW(File::GetKindHooks().sound(bare));
}

TEST_F(EngineTest, AMusicFileTheDecoderCannotReadIsRefused)
{
    TestFile noise(u"/res/Stream/noise.zorva-strm", std::vector<std::uint8_t>(5000, 0x37));
    EXPECT_THROW(File::GetKindHooks().stream(noise), Exception::AudioFailed);
    EXPECT_TRUE(AnyReportNames(u"Audio reader"));
}

TEST(MediaStreamer, ExpectedSizeComesFromTheDuration)
{
    Testing::PrivateHome home;
    struct Case {
        std::uint32_t bytesPerSecond;
        std::int64_t duration;
        std::uint32_t expected;
    };
    for (const Case c : {Case{176400, 1'800'000'000, 31'752'000}, Case{88200, 5'000'000, 44'100},
                         Case{176400, 0, 0}, Case{192000, 100'000'000'000'000, 0xFFFFFFFFu}})
        EXPECT_EQ(Audio::CMediaStreamer::ExpectedSizeFor(c.bytesPerSecond, c.duration), c.expected);
}

} // namespace
} // namespace Zorva
