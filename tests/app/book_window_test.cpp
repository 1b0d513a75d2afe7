// Book as a child sees it under Xvfb: the loading page (wood over the whole screen, the metallic
// "Wait" box in the user's language, the spinning ring at the pointer), closing refused while
// loading and honoured after, the end by a termination signal, a damaged texture and missing
// graphics reported in the user's language.
#include "file/container.h"
#include "kernel/strings.h"
#include "tests/renderer/screen_shot.h"
#include "tests/support/bell_watch.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace Zorva {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Testing::Pixel;
using Testing::Process;
using Testing::ScreenShot;

bool Woody(const Pixel& p)
{
    return p.r > 90 && p.r > p.g && p.g > p.b;
}
bool MessageRed(const Pixel& p)
{
    return p.r > 120 && p.g < 60 && p.b < 70;
}
bool TitleBlue(const Pixel& p)
{
    return p.b > 150 && p.r < 90 && p.g < 90;
}
bool RingRed(const Pixel& p)
{
    return p.r > 2 * p.g + 20 && p.r > 2 * p.b + 20;
}

// The rightmost column of the message's red text, or -1.
int MessageRight(const ScreenShot& shot)
{
    int right = -1;
    for (int y = 120; y < 220; ++y)
        for (int x = 20; x < 900; ++x)
            if (MessageRed(shot.At(x, y)))
                right = std::max(right, x);
    return right;
}

bool ShowsLoadingPage(const ScreenShot& shot)
{
    return shot.Count(300, 170, 280, MessageRed) > 80 && shot.Count(300, 40, 260, TitleBlue) > 80;
}

// A program root of its own: Book, the staged resources and some more pictures, so that loading
// (which the loading page covers) lasts a few seconds even on a fast machine.
class PrivateRoot {
public:
    PrivateRoot()
    {
        const fs::path stage = ZORVA_STAGE_DIR;
        fs::create_directories(folder_.Path() / "bin");
        fs::copy_file(stage / "bin/Book", folder_.Path() / "bin/Book");
        fs::copy(stage / "Res", folder_.Path() / "Res", fs::copy_options::recursive);
        const fs::path art = folder_.Path() / "Res/Art";
        std::vector<fs::path> pictures;
        for (const auto& e : fs::directory_iterator(art))
            pictures.push_back(e.path());
        std::sort(pictures.begin(), pictures.end());
        for (int copy = 0; copy < 4; ++copy)
            for (const fs::path& p : pictures) {
                std::vector<std::uint8_t> payload;
                if (!Unpack(p, payload))
                    continue;
                const fs::path to = art / ("more" + std::to_string(copy) + "_" + p.filename().string());
                Pack(payload, to);
            }
    }
    std::string Book() const { return (folder_.Path() / "bin/Book").string(); }
    fs::path Res() const { return folder_.Path() / "Res"; }

    static bool Unpack(const fs::path& path, std::vector<std::uint8_t>& payload)
    {
        std::vector<std::uint8_t> raw;
        if (File::ReadContainerImage(Utf8ToWide(path.string()), fs::file_size(path), raw))
            return false;
        File::DecompressContainer(raw, payload);
        return true;
    }
    static void Pack(const std::vector<std::uint8_t>& payload, const fs::path& path)
    {
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(File::BuildContainer(payload.data(), payload.size(), Utf8ToWide(path.string()), bytes));
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }

private:
    Testing::TempFolder folder_;
};

class BookWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(display_.Ok()); }

    std::unique_ptr<Process> Start(const std::string& lang)
    {
        ::setenv("LANG", lang.c_str(), 1);
        return std::make_unique<Process>(root_.Book(), std::vector<std::string>{},
                                         std::map<std::string, std::string>{{"SDL_AUDIODRIVER", "dummy"}});
    }
    // Waits until a screenshot shows the loading page.
    std::optional<ScreenShot> LoadingPage(const std::string& name)
    {
        std::optional<ScreenShot> shot;
        const bool seen = Testing::WaitFor(
            [&] {
                shot = Testing::TakeScreenShot(home_.Temp() / (name + ".png"));
                return shot && ShowsLoadingPage(*shot);
            },
            60s, 100ms);
        if (!seen)
            return std::nullopt;
        // Kept for a person to look at.
        fs::copy_file(home_.Temp() / (name + ".png"), fs::path(ZORVA_BINARY_DIR) / ("book-" + name + ".png"),
                      fs::copy_options::overwrite_existing);
        return shot;
    }
    bool LoadingEnds(const std::string& name)
    {
        return Testing::WaitFor(
            [&] {
                auto shot = Testing::TakeScreenShot(home_.Temp() / (name + ".png"));
                return shot && shot->Count(300, 170, 280, MessageRed) == 0 && Woody(shot->At(960, 540));
            },
            120s, 300ms);
    }

    Testing::PrivateHome home_;
    Testing::PrivateDisplay display_;
    PrivateRoot root_;
};

TEST_F(BookWindow, LoadingPageShowsWoodTheWaitBoxAndTheRingInTheUsersLanguage)
{
    std::map<std::string, int> widths;
    for (const std::string lang : {"en_GB.UTF-8", "pl_PL.UTF-8", "ru_RU.UTF-8"}) {
        SCOPED_TRACE(lang);
        auto book = Start(lang);
        const auto shot = LoadingPage("loading-" + lang.substr(0, 5));
        ASSERT_TRUE(shot.has_value());
        // Wood from corner to corner, around the frame as well as inside it.
        for (auto [x, y] : {std::pair{2, 2}, {1917, 2}, {2, 1077}, {1917, 1077}, {500, 700}, {1500, 300}})
            EXPECT_TRUE(Woody(shot->At(x, y))) << x << "," << y;
        // The polished frame runs along every edge.
        for (auto [x, y] : {std::pair{960, 1060}, {960, 18}, {18, 540}, {1901, 540}})
            EXPECT_GT(shot->Count(x, y, 12, [](const Pixel& p) { return p.b > p.r + 15 && p.b > p.g + 15; }), 40)
                << x << "," << y;
        // The ring spins at the pointer, which starts in the middle.
        EXPECT_GT(shot->Count(960, 540, 40, RingRed), 60);
        widths[lang] = MessageRight(*shot);
        // Once loaded the box gives way; a termination signal then ends the program cleanly.
        EXPECT_TRUE(LoadingEnds("loaded-" + lang.substr(0, 5)));
        book->Kill(SIGTERM);
        EXPECT_EQ(book->Wait(60s), 0);
    }
    // "Wait", "Czekaj", "Загрузка": the message is the language's own.
    EXPECT_LT(widths["en_GB.UTF-8"], widths["pl_PL.UTF-8"]);
    EXPECT_LT(widths["pl_PL.UTF-8"], widths["ru_RU.UTF-8"]);
}

// A part of the screen, read quickly (no file): RGB rows of w x h pixels.
std::optional<Testing::ScreenShot> Region(int x, int y, int w, int h)
{
    const std::string bytes = Testing::Capture("/usr/bin/import -window root -crop " + std::to_string(w) + "x" +
                                               std::to_string(h) + "+" + std::to_string(x) + "+" + std::to_string(y) +
                                               " -depth 8 rgb:- 2>/dev/null");
    if (bytes.size() != static_cast<size_t>(w) * static_cast<size_t>(h) * 3)
        return std::nullopt;
    Testing::ScreenShot shot;
    shot.width = w;
    shot.height = h;
    shot.rgb.assign(bytes.begin(), bytes.end());
    return shot;
}

// Where the ring's red is centred inside a square of 160 pixels around (x, y), or nothing.
std::optional<std::pair<int, int>> RingNear(int x, int y)
{
    const int half = 80;
    const int left = std::max(0, x - half), top = std::max(0, y - half);
    const auto shot = Region(left, top, std::min(1920, x + half) - left, std::min(1080, y + half) - top);
    if (!shot)
        return std::nullopt;
    long sx = 0, sy = 0, n = 0;
    for (int yy = 0; yy < shot->height; ++yy)
        for (int xx = 0; xx < shot->width; ++xx)
            if (RingRed(shot->At(xx, yy))) {
                sx += xx;
                sy += yy;
                ++n;
            }
    if (n < 60)
        return std::nullopt;
    return std::pair{left + static_cast<int>(sx / n), top + static_cast<int>(sy / n)};
}

bool StillLoading()
{
    const auto shot = Region(20, 120, 200, 80);
    return shot && shot->Count(100, 40, 100, MessageRed) > 40;
}

TEST_F(BookWindow, RelativeMotionMovesTheRingWithinTheLimits)
{
    // The loading page must last through the motions; a load that ends first is tried again.
    bool checked = false;
    for (int attempt = 0; attempt < 3 && !checked; ++attempt) {
        auto book = Start("en_GB.UTF-8");
        ASSERT_TRUE(Testing::WaitFor([] { return StillLoading() && RingNear(960, 540).has_value(); }, 60s, 50ms));
        Testing::XdoTool("mousemove_relative -- -300 -200");
        std::optional<std::pair<int, int>> moved;
        Testing::WaitFor([&] { return (moved = RingNear(660, 340)).has_value(); }, 3s, 50ms);
        // Pushed far past the corner, the ring stops at the confinement limit (1888, 1048).
        Testing::XdoTool("mousemove_relative -- 5000 5000");
        std::optional<std::pair<int, int>> corner;
        Testing::WaitFor([&] { return (corner = RingNear(1888, 1048)).has_value(); }, 3s, 50ms);
        if (!StillLoading())
            continue;
        ASSERT_TRUE(moved && corner);
        EXPECT_NEAR(moved->first, 660, 30);
        EXPECT_NEAR(moved->second, 340, 30);
        EXPECT_NEAR(corner->first, 1888, 30);
        EXPECT_NEAR(corner->second, 1048, 30);
        checked = true;
        book->Kill(SIGTERM);
        EXPECT_EQ(book->Wait(60s), 0);
    }
    EXPECT_TRUE(checked) << "loading always ended before the motions were seen";
}

TEST_F(BookWindow, ATerminationSignalAtAnyMomentEndsCleanly)
{
    // A system shutdown must always end the book the normal way, also while it starts and loads.
    for (const auto delay : {50ms, 300ms, 800ms, 1500ms, 2500ms, 4000ms}) {
        auto book = Start("en_GB.UTF-8");
        std::this_thread::sleep_for(delay);
        book->Kill(SIGTERM);
        EXPECT_EQ(book->Wait(60s), 0) << "signal after " << delay.count() << " ms";
    }
}

TEST_F(BookWindow, ClosingIsRefusedWithABeepWhileLoadingAndHonouredAfter)
{
    Testing::BellWatcher bells;
    ASSERT_TRUE(bells.Ok());
    auto book = Start("en_GB.UTF-8");
    ASSERT_TRUE(LoadingPage("close-loading").has_value());
    const int before = bells.Count();
    Testing::XdoTool("key alt+F4");
    EXPECT_TRUE(Testing::WaitFor([&] { return bells.Count() > before; }, 10s));
    EXPECT_FALSE(book->Wait(2s).has_value()) << "the book closed while loading";
    ASSERT_TRUE(LoadingEnds("close-loaded"));
    Testing::XdoTool("key alt+F4");
    EXPECT_EQ(book->Wait(60s), 0);
}

TEST_F(BookWindow, ADamagedTextureIsReportedInTheUsersLanguage)
{
    // A wood texture whose container is sound but whose picture data stops short.
    for (const char* level : {"Lvl9", "LvlMedium", "Lvl10"}) {
        const fs::path wood = root_.Res() / "Boot2" / level / "wood.zorva-tex";
        std::vector<std::uint8_t> payload;
        ASSERT_TRUE(PrivateRoot::Unpack(wood, payload));
        payload.resize(payload.size() / 2);
        PrivateRoot::Pack(payload, wood);
    }
    auto book = Start("pl_PL.UTF-8");
    EXPECT_EQ(book->Wait(120s), 1);
    // The second copy shows the report with the Polish caption; a key closes it.
    std::optional<std::string> id;
    ASSERT_TRUE(Testing::WaitFor([&] { return (id = Testing::FindWindowId("Wystąpił nieprzewidziany błąd")).has_value(); },
                                 30s));
    EXPECT_TRUE(Testing::WaitFor(
        [&] {
            Testing::XdoTool("key --window " + *id + " Return");
            return !Testing::FindWindowId("Wystąpił nieprzewidziany błąd").has_value();
        },
        20s, 300ms));
}

TEST_F(BookWindow, WithoutTheGraphicsItNeedsTheReportSaysSo)
{
    // A driver that offers no OpenGL 4.5: the device cannot be made.
    ::setenv("LANG", "ru_RU.UTF-8", 1);
    Process book(root_.Book(), {}, {{"SDL_AUDIODRIVER", "dummy"}, {"MESA_GL_VERSION_OVERRIDE", "3.3"}});
    EXPECT_EQ(book.Wait(120s), 1);
    std::optional<std::string> id;
    const std::string caption = "Непредвиденная ошибка";
    ASSERT_TRUE(Testing::WaitFor([&] { return (id = Testing::FindWindowId(caption)).has_value(); }, 30s));
    Testing::XdoTool("key --window " + *id + " Return");
}

} // namespace
} // namespace Zorva
