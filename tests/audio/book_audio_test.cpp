// Book itself without any audio output: the start-up retries on its schedule, then gives up with
// the sound-card report and exit code 1.
#include "kernel/strings.h"
#include "kernel/text.h"
#include "kernel/config.h"
#include "platform/settings_store.h"
#include "tests/audio/audio_capture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

namespace Zorva {
namespace {

TEST(BookWithoutSound, StartUpGivesUpAfterTheRetryScheduleWithTheSoundCardReport)
{
    Testing::PrivateHome home;
    const auto begin = std::chrono::steady_clock::now();
    // No display: the report's message box cannot show, so its copy ends at once too.
    const std::string out = Testing::Capture("SDL_AUDIODRIVER=no-such-driver DISPLAY= LC_ALL=en_GB.UTF-8 timeout -s KILL 60 '" +
                                             Testing::BookPath() + "' 2>&1; echo \"exit=$?\"");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_NE(out.find("exit=1"), std::string::npos) << out;
    const std::string report = "Exception has been created\n" +
                               WideToUtf8(SelectText(Texts::MsgSoundCardUpdateDriver, LangBritish)) + "\nInternalStart\n";
    EXPECT_NE(out.find(report), std::string::npos) << out;
    // Fourteen attempts, each telling why, with waits of 1, 2, 4 ... 8192 ms: 16.383 s of waiting.
    size_t attempts = 0;
    for (size_t at = out.find("Audio device: "); at != std::string::npos; at = out.find("Audio device: ", at + 1))
        ++attempts;
    EXPECT_EQ(attempts, 14u);
    EXPECT_GE(seconds, 16.3);
    EXPECT_LT(seconds, 30.0);
}

// Book on the disk driver under a private display, until it ends at a termination signal: the
// device's output in windows of 50 ms, as levels.
std::vector<double> RunBookAndListen(Testing::DiskAudioCapture& capture, double seconds)
{
    Testing::Process book(Testing::BookPath(), {});
    EXPECT_TRUE(capture.WaitFrames(Testing::kCaptureRate / 10, std::chrono::seconds(30))) << "Book opened no audio device";
    const size_t start = capture.Frames();
    capture.WaitFrames(start + static_cast<size_t>(seconds * Testing::kCaptureRate), std::chrono::seconds(120));
    const std::vector<float> out = capture.Samples(start, capture.Frames());
    // A termination signal ends the program the normal way.
    book.Kill(SIGTERM);
    EXPECT_EQ(book.Wait(std::chrono::seconds(30)), 0);
    std::vector<double> levels;
    for (size_t at = 0; at + Testing::kCaptureRate / 20 <= out.size() / 2; at += Testing::kCaptureRate / 20)
        levels.push_back(Testing::Rms(out, at, Testing::kCaptureRate / 20));
    return levels;
}

TEST(BookSound, TheMusicPlaysOnceLoadedAndNotWithTheSoundOff)
{
    Testing::PrivateHome home;
    Testing::PrivateDisplay display;
    ASSERT_TRUE(display.Ok());
    Testing::DiskAudioCapture capture(home.Temp());
    // Loading takes a few seconds; the music starts when the content has loaded and plays on.
    const auto on = RunBookAndListen(capture, 25.0);
    size_t sounding = 0;
    for (size_t i = on.size() / 2; i < on.size(); ++i)
        sounding += on[i] > 0.01 ? 1 : 0;
    EXPECT_GT(sounding, on.size() / 2 * 8 / 10) << "the second half of the run is mostly silent";

    // The parent switched the sound off: nothing at all is heard.
    const auto store = Platform::SettingsStore::CurrentUser();
    ASSERT_TRUE(store.CreateKey(Kernel::kSettingsKeyPath));
    ASSERT_TRUE(store.SetDword(Kernel::kSettingsKeyPath, u"Audio", 0));
    const auto off = RunBookAndListen(capture, 25.0);
    for (size_t i = 0; i < off.size(); ++i)
        ASSERT_LT(off[i], 1e-4) << "sound at " << i * 0.05 << " s with the sound off";
}

} // namespace
} // namespace Zorva
