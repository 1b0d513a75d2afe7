// Streamed music on SDL's disk driver: a track repeats without end, the change cue fades it out
// and starts the next, and music that arrives after the sound went on still starts.
#include "tests/audio/engine_fixture.h"

#include <gtest/gtest.h>

#include <map>

namespace Zorva {
namespace {

using namespace Testing;

constexpr double kLevel = 0.4;

class MusicTest : public EngineTest {
protected:
    // The tone of each track.
    std::map<std::u16string, double> tones = {{u"tune_a", 300.0}, {u"tune_b", 500.0}, {u"tune_c", 700.0}};

    void LoadTracks(double seconds)
    {
        for (const auto& [name, hz] : tones)
            LoadTrack(name, SineFrames({hz, hz}, seconds, 44100, kLevel), 2, 44100);
    }
    // The track that plays now: the loudest tone of the last 200 ms.
    std::u16string Playing()
    {
        const size_t end = capture.Frames();
        const auto s = capture.Samples(end - kCaptureRate / 5, end);
        std::u16string best;
        double level = 0.1;
        for (const auto& [name, hz] : tones)
            if (const double l = ToneLevel(s, 0, s.size() / 2, hz); l > level) {
                level = l;
                best = name;
            }
        return best;
    }
};

TEST_F(MusicTest, ATrackRepeatsWithoutEndAndTheCueFadesItAndChangesIt)
{
    LoadTracks(1.2);
    kernel.changeCue.Emplace();
    StartFrames();
    SetSound(true);
    ASSERT_TRUE(WaitFor([&] { return !Playing().empty(); }, 5s)) << "no music started";
    const std::u16string first = Playing();
    const double hz = tones[first];

    // Four seconds hold more than three plays of the 1.2 s track, with at most a short gap
    // between one play and the next.
    const auto repeated = Take(capture.Frames(), 4.0);
    const auto track = Track(repeated, hz);
    EXPECT_GE(CountAbove(track, kLevel - 0.04), track.size() * 9 / 10);
    for (const auto& [name, other] : tones)
        if (name != first) {
            // Only the clicks where a play starts or stops spread a little into other tones.
            EXPECT_LT(Peak(Track(repeated, other)), 0.08);
        }

    // A seed whose next pick is another track, so the change can be heard.
    std::u16string next;
    for (unsigned seed = 1; next.empty() || next == first; ++seed) {
        std::mt19937 probe(seed);
        next = *kernel.musicStreams->PickRandom(probe);
        if (next != first)
            kernel.random.seed(seed);
    }
    const size_t start = capture.Frames();
    frames->OnNextFrame([this] { kernel.changeCue->Start(); });
    double pace = 1.0;
    const auto out = Take(start, 2.5, &pace);
    ASSERT_GT(pace, 0.8);

    // The fade follows 1 - t / 0.75 in steps of 0.075, a few frames late at most (and the clock of
    // the captured sound is only close to the real one); windows of a gap between two plays are
    // skipped.
    const auto fading = Track(out, hz);
    size_t gaps = 0;
    for (size_t i = 0; i < 40; ++i) {
        const double t = static_cast<double>(i * kWindow) / kCaptureRate / pace;
        const double late = std::clamp(1.0 - (t - 0.1) / 0.75, 0.0, 1.0);
        const double early = std::clamp(1.0 - (t + 0.06) / 0.75, 0.0, 1.0);
        if (fading[i] < 0.3 * kLevel * early) {
            ++gaps;
            continue;
        }
        EXPECT_LE(fading[i], kLevel * late + 0.035) << "window " << i << " at " << t << " s";
        EXPECT_GE(fading[i], kLevel * (early - 0.075) - 0.035) << "window " << i << " at " << t << " s";
    }
    EXPECT_LE(gaps, 5u);
    EXPECT_LT(Peak(fading, 45), 0.08) << "the old track came back";
    // Then the picked track at full volume.
    const auto change = Track(out, tones[next]);
    const size_t on = FirstAbove(change, kLevel - 0.04);
    ASSERT_LT(on, change.size()) << "the next track did not start";
    EXPECT_GE(static_cast<double>(on * kWindow) / kCaptureRate / pace, 0.72) << "the next track came before the fade ended";
    EXPECT_GE(CountAbove(std::vector<double>(change.begin() + static_cast<std::ptrdiff_t>(on), change.end()), kLevel - 0.04),
              (change.size() - on) * 9 / 10);
}

TEST_F(MusicTest, MusicThatLoadsAfterTheSoundWentOnStarts)
{
    SetSound(true);
    std::this_thread::sleep_for(200ms);
    LoadTrack(u"tune_a", SineFrames({300.0, 300.0}, 2.0, 44100, kLevel), 2, 44100);
    EXPECT_TRUE(capture.WaitForTone(300.0, kLevel - 0.04, capture.Frames(), 5s));
}

TEST_F(MusicTest, AnUnknownTrackIsSilentUntilTheNextChangeAndTheSameTrackStartsOver)
{
    // 0.6 s at 700 Hz, then 1.4 s at 900 Hz.
    auto song = SineFrames({700.0, 700.0}, 0.6, 44100, kLevel);
    const auto tail = SineFrames({900.0, 900.0}, 1.4, 44100, kLevel);
    song.insert(song.end(), tail.begin(), tail.end());
    LoadTrack(u"song", song, 2, 44100);
    SetSound(true);
    ASSERT_TRUE(capture.WaitForTone(700.0, kLevel - 0.04, capture.Frames(), 5s));

    audio().SetStream(u"no_such_track");
    ASSERT_TRUE(WaitFor(
        [&] {
            const size_t end = capture.Frames();
            return Rms(capture.Samples(end - kWindow, end), 0, kWindow) < 1e-4;
        },
        3s));
    const auto silent = Take(capture.Frames(), 1.0);
    EXPECT_LT(Rms(silent, 0, silent.size() / 2), 1e-4);

    audio().SetStream(u"song");
    const auto again = capture.WaitForTone(900.0, kLevel - 0.04, capture.Frames(), 5s);
    ASSERT_TRUE(again);
    // Choosing the playing track decodes it again and plays it from its start, long before the
    // 900 Hz part would have ended.
    const size_t asked = capture.Frames();
    audio().SetStream(u"song");
    const auto restarted = capture.WaitForTone(700.0, kLevel - 0.04, asked, 5s);
    ASSERT_TRUE(restarted);
    EXPECT_LT(static_cast<double>(*restarted - asked) / kCaptureRate, 0.5);
}

} // namespace
} // namespace Zorva
