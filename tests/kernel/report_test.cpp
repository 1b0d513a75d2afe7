// The failure report: its text, the one-report-per-process rule and the outer frame.
#include "kernel/exceptions.h"
#include "kernel/strings.h"
#include "kernel/text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace Zorva {
namespace {

std::vector<std::u16string> Lines(const std::u16string& text)
{
    std::vector<std::u16string> lines;
    std::u16string line;
    for (char16_t c : text) {
        if (c == u'\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// Captures what a report would show instead of starting the message-display copy.
struct Shown {
    std::atomic<int> count{0};
    std::u16string text;
    std::u16string caption;
    std::atomic<int> closes{0};
    Shown()
    {
        GetReportHooks().showReport = [this](const std::u16string& t, const std::u16string& c) {
            text = t;
            caption = c;
            ++count;
        };
        GetReportHooks().closeMainWindow = [this] { ++closes; };
    }
};

TEST(ReportText, NotInitExampleLineByLine)
{
    LanguageId = LangBritish;
    Shown shown;
    try {
        throw Exception::NotInit(MakeCode(0x80040154u), u"CreFactory");
    } catch (const Exception::CGenericZorvaException&) {
    }
    ASSERT_EQ(shown.count, 1);
    const std::vector<std::u16string> lines = Lines(shown.text);
    ASSERT_GE(lines.size(), 9u);
    const std::u16string hyphens(20, u'-');
    EXPECT_EQ(lines[0], u"An object not initialized.");
    EXPECT_EQ(lines[1], u"");
    EXPECT_EQ(lines[2], hyphens);
    EXPECT_EQ(lines[3], u"Operation: CreFactory");
    EXPECT_EQ(lines[4], hyphens);
    EXPECT_EQ(lines[5], u"Class: 0x20000");
    EXPECT_EQ(lines[6], hyphens);
    EXPECT_EQ(lines[7], u"Code: 0x80040154");
    EXPECT_EQ(lines[8], u"Class not registered.");
    EXPECT_EQ(shown.caption, u"An unexpected error has occurred");
    EXPECT_TRUE(ErrorReported.load());
    EXPECT_EQ(shown.closes, 1);
}

TEST(ReportText, AudioFailedBeginsWithTheSoundCardSentences)
{
    const std::u16string british = BuildReportText(5, 0, E_FAIL, u"InternalStart",
                                                   SelectText(Texts::MsgSoundCardUpdateDriver, LangBritish));
    const std::vector<std::u16string> b = Lines(british);
    ASSERT_GE(b.size(), 4u);
    EXPECT_EQ(b[0], u"Sound card or its driver do not meet minimal software requirements.");
    EXPECT_EQ(b[1], u"Please update your device driver.");
    EXPECT_EQ(b[2], u"");
    EXPECT_EQ(b[3], std::u16string(20, u'-'));

    const std::vector<std::u16string> d =
        Lines(BuildReportText(5, 0, E_FAIL, u"InternalStart", SelectText(Texts::MsgSoundCardUpdateDriver, 0x0407)));
    EXPECT_EQ(d[0], u"The sound card or its driver do not meet minimal software requirements.");
    EXPECT_EQ(d[1], u"Please update your device driver.");
}

TEST(ReportText, FoldedSystemErrorAndMissingSystemText)
{
    const std::vector<std::u16string> lines =
        Lines(BuildReportText(4, 0, FoldSystemError(2), u"Read File", u"m"));
    EXPECT_EQ(lines[7], u"Code: 0x80070002");
    EXPECT_EQ(lines[8], u"No such file or directory.");

    // A code without a system text ends with the code line and its line break.
    const std::u16string text = BuildReportText(7, 0, MakeCode(0x80040906u), u"x", u"m");
    EXPECT_TRUE(text.ends_with(u"Code: 0x80040906\n"));
}

TEST(Report, NonNegativeCodeShowsAndSetsNothing)
{
    Shown shown;
    try {
        throw Exception::IOError(S_FALSE, u"Read File");
    } catch (const Exception::CGenericZorvaException&) {
    }
    EXPECT_EQ(shown.count, 0);
    EXPECT_FALSE(ErrorReported.load());
}

TEST(Report, TwoThreadsFailingAtOnceShowOneReport)
{
    Shown shown;
    std::barrier start(2);
    auto fail = [&start](const char16_t* op) {
        OuterFrame([&] {
            start.arrive_and_wait();
            throw Exception::IOError(E_FAIL, op);
        });
    };
    std::thread a(fail, u"first");
    std::thread b(fail, u"second");
    a.join();
    b.join();
    EXPECT_EQ(shown.count, 1);
    EXPECT_TRUE(ErrorReported.load());
}

TEST(OuterFrame, StandardExceptionKeepsItsNonAsciiText)
{
    Shown shown;
    OuterFrame([] { throw std::runtime_error("Błąd – ошибка"); });
    ASSERT_EQ(shown.count, 1);
    const std::vector<std::u16string> lines = Lines(shown.text);
    EXPECT_EQ(lines[0], u"Standard Exception");
    EXPECT_EQ(lines[3], u"Operation: Błąd – ошибка");
    EXPECT_EQ(lines[5], u"Class: 0x20000");
}

TEST(OuterFrame, AnythingElseIsAnUnknownException)
{
    LanguageId = LangPolish;
    Shown shown;
    OuterFrame([] { throw 42; });
    const std::vector<std::u16string> lines = Lines(shown.text);
    EXPECT_EQ(lines[0], u"Wystąpił nieprzewidziany błąd");
    EXPECT_EQ(lines[3], u"Operation: Unknown Exception");
    EXPECT_EQ(lines[5], u"Class: 0x10000");
    EXPECT_EQ(shown.caption, u"Wystąpił nieprzewidziany błąd");
}

TEST(OuterFrame, OutOfMemoryEndsTheProcessWithOne)
{
    EXPECT_EXIT(OuterFrame([] { throw std::bad_alloc(); }), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(OuterFrame([] { throw std::system_error(std::make_error_code(std::errc::io_error)); }),
                testing::ExitedWithCode(1), "");
}

TEST(Flags, RequestQuitIsTestAndSet)
{
    EXPECT_FALSE(RequestQuit());
    EXPECT_TRUE(RequestQuit());
    EXPECT_TRUE(QuitRequested.load());
}

} // namespace
} // namespace Zorva
