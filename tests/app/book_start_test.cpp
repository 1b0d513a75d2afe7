// Book run as a program: the message-display mode, the single-instance guard and the report of a
// failure through a second copy of the program.
#include "kernel/strings.h"
#include "tests/support/bell_watch.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace Zorva {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Testing::Process;

std::string Hex(std::u16string_view text)
{
    return WideToUtf8(HexEncodeText(text));
}

// Waits for a window with that exact title, then closes it with a real key event.
bool CloseBoxTitled(const std::string& title)
{
    std::optional<std::string> id;
    if (!Testing::WaitFor([&] { return (id = Testing::FindWindowId(title)).has_value(); }, 20s))
        return false;
    // The box takes keys once it is mapped; repeat until it goes.
    return Testing::WaitFor(
        [&] {
            Testing::XdoTool("key --window " + *id + " Return");
            return !Testing::FindWindowId(title).has_value();
        },
        20s, 300ms);
}

TEST(MessageDisplayMode, ShowsTheDecodedTextAndCaptionUntilClosed)
{
    Testing::PrivateHome home;
    Testing::PrivateDisplay display;
    ASSERT_TRUE(display.Ok());
    const std::u16string caption = u"Zażółć gęślą jaźń – Ошибка";
    // Upper-case digits, "+MSG" in capitals: both accepted.
    std::string upperText = Hex(u"Some text");
    for (char& c : upperText)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Process book(Testing::BookPath(), {"+MSG", upperText, Hex(caption)});
    EXPECT_TRUE(CloseBoxTitled(WideToUtf8(caption)));
    EXPECT_EQ(book.Wait(20s), 0);
    // Nothing else ran: no lock, no folders.
    EXPECT_FALSE(fs::exists(home.Home() / "Documents"));
    EXPECT_TRUE(fs::is_empty(home.Runtime()));
}

TEST(MessageDisplayMode, WithoutADisplayNothingIsShownAndTheCodeIsOne)
{
    Testing::PrivateHome home;
    ::unsetenv("DISPLAY");
    EXPECT_EQ(Testing::RunProgram(Testing::BookPath(), {"+msg", Hex(u"a"), Hex(u"b")}), 1);
}

TEST(MessageDisplayMode, OnlyWithExactlyThreeArguments)
{
    Testing::PrivateHome home;
    Testing::PrivateDisplay display;
    ASSERT_TRUE(display.Ok());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"+msg", Hex(u"Caption?")}, {"+msg", Hex(u"x"), Hex(u"Caption?"), "more"}}) {
        Process book(Testing::BookPath(), args);
        // A normal start: no box appears, and the program takes its lock.
        EXPECT_FALSE(Testing::WaitFor([] { return Testing::FindWindowId("Caption?").has_value(); }, 2s));
        EXPECT_TRUE(Testing::WaitFor([&] { return fs::exists(home.Runtime() / "Kavrin-Colouring-Book.lock"); }, 5s));
        book.Kill(SIGKILL);
        book.Wait(5s);
    }
}

TEST(SingleInstance, ASecondCopyBeepsAndExitsWithOneCreatingNothing)
{
    Testing::PrivateHome home;
    Testing::PrivateDisplay display;
    ASSERT_TRUE(display.Ok());
    Testing::BellWatcher bells;
    ASSERT_TRUE(bells.Ok());
    // The first copy's lock, held here.
    const fs::path lockFile = home.Runtime() / "Kavrin-Colouring-Book.lock";
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(Testing::RunProgram(Testing::BookPath(), {}), 1);
    EXPECT_TRUE(Testing::WaitFor([&] { return bells.Count() >= 1; }, 5s));
    EXPECT_FALSE(fs::exists(home.Home() / "Documents"));
    EXPECT_TRUE(fs::is_empty(home.Temp()));
    EXPECT_FALSE(fs::exists(home.Config() / "Kavrin-Dremlas Vostrik"));
    ::close(fd);
}

TEST(FailureReport, IsShownByASecondCopyAndTheExitCodeIsOne)
{
    Testing::PrivateHome home;
    Testing::PrivateDisplay display;
    ASSERT_TRUE(display.Ok());
    // Something else has taken the temporary folder's name first: the start must fail.
    ::setenv("TMPDIR", home.Root().c_str(), 1);
    ::setenv("LANG", "pl_PL.UTF-8", 1);
    for (int i = 0; i < 3; ++i) { // any of the next few seconds' names
        std::time_t now = std::time(nullptr) + i;
        std::tm t{};
        localtime_r(&now, &t);
        char name[64];
        std::strftime(name, sizeof name, "ZorvanBook%Y%m%d%H%M%S", &t);
        std::ofstream(home.Root() / name) << "not a folder";
    }
    Process book(Testing::BookPath(), {});
    EXPECT_EQ(book.Wait(30s), 1);
    // The second copy shows the report in the user's language.
    EXPECT_TRUE(CloseBoxTitled("Wystąpił nieprzewidziany błąd"));
}

} // namespace
} // namespace Zorva
