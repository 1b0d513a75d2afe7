// Book itself without any audio output: the start-up retries on its schedule, then gives up with
// the sound-card report and exit code 1.
#include "kernel/strings.h"
#include "kernel/text.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>

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

} // namespace
} // namespace Zorva
