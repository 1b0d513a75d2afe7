#include "file/profile.h"
#include "file/searcher.h"
#include "kernel/folders.h"
#include "kernel/strings.h"
#include "kernel/text.h"
#include "loading_driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace Zorva::Testing {
namespace {

TEST(StagePlan, FoldersByStageQualityAndLanguage)
{
    const std::u16string r = u"/r/";
    const std::u16string u = u"/u/";
    struct Case {
        std::uint32_t stage, quality;
        std::uint16_t language;
        bool first;
        std::vector<std::u16string> folders;
        std::uint32_t loading;
    } cases[] = {
        {0, 1, LangAmerican, true, {u"/r/Boot/"}, 1},
        {3, 2, LangAmerican, true, {u"/r/Boot2/", u"/r/Boot2/Lvl10/"}, 4},
        {3, 0, LangAmerican, true, {u"/r/Boot2/", u"/r/Boot2/Lvl9/"}, 4},
        {3, 1, LangAmerican, true, {u"/r/Boot2/", u"/r/Boot2/LvlMedium/"}, 4},
        {3, 7, LangAmerican, true, {u"/r/Boot2/", u"/r/Boot2/Lvl9/"}, 4},
        {6, 1, LangPolish, true, {u"/r/Stream/", u"/r/Stream/pl/", u"/r/Art/", u"/r/Auto/", u"/r/Auto/LvlMedium/"}, 7},
        {6, 2, LangRussian, true, {u"/r/Stream/", u"/r/Stream/ru/", u"/r/Art/", u"/r/Auto/", u"/r/Auto/Lvl10/"}, 7},
        {6, 0, LangBritish, true, {u"/r/Stream/", u"/r/Stream/en-GB/", u"/r/Art/", u"/r/Auto/", u"/r/Auto/Lvl9/"}, 7},
        {6, 1, LangAmerican, true, {u"/r/Stream/", u"/r/Stream/en/", u"/r/Art/", u"/r/Auto/", u"/r/Auto/LvlMedium/"}, 7},
        {6, 1, LangPolish, false, {u"/r/Auto/", u"/r/Auto/LvlMedium/"}, 7},
        {11, 1, LangAmerican, true, {u"/u/"}, 12},
        {9, 1, LangAmerican, true, {}, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        const File::StagePlan plan = File::PlanStage(c.stage, r, u, c.quality, c.language, c.first);
        EXPECT_EQ(plan.folders, c.folders);
        EXPECT_EQ(plan.loadingStage, c.loading);
    }
    EXPECT_EQ(File::CompletedStage(1), 2u);
    EXPECT_EQ(File::CompletedStage(4), 5u);
    EXPECT_EQ(File::CompletedStage(7), 8u);
    EXPECT_EQ(File::CompletedStage(12), 13u);
}

// A resource tree with something of every kind in every folder the stages list at quality 1.
class LoadingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = home.Root() / "Res";
        const std::string font = "<font><common lineHeight=\"32\" scaleW=\"256\" scaleH=\"128\"/><chars count=\"1\">"
                                 "<char id=\"65\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" xoffset=\"0\" yoffset=\"0\" "
                                 "xadvance=\"1\"/></chars></font>";
        Pack(root / "Boot/background.zorva-blob", BytesOf("BG"));
        Pack(root / "Boot/Dialog_Font.zorva-tex", BytesOf("font texture"));
        Pack(root / "Boot2/font.zorva-db", BytesOf(font));
        Pack(root / "Boot2/language.zorva-db", BytesOf("<Zorva version=\"1.0\"><I18N lang=\"ru\"/></Zorva>"));
        Pack(root / "Boot2/dialog.zorva-vsil", BytesOf("vs"));
        Pack(root / "Boot2/LvlMedium/shadow.zorva-tex", BytesOf("t"));
        Pack(root / "Boot2/Lvl9/shadow.zorva-tex", BytesOf("t"));
        Pack(root / "Boot2/Lvl10/shadow.zorva-tex", BytesOf("t"));
        Pack(root / "Stream/tune.zorva-strm", BytesOf("ogg"));
        Pack(root / "Stream/ru/help.zorva-snd", BytesOf("wav"));
        Pack(root / "Stream/en/help.zorva-snd", BytesOf("wav"));
        Pack(root / "Art/Zebra.zorva-art", BytesOf("DDS zebra"));
        Pack(root / "Art/apple.zorva-art", BytesOf("DDS apple"));
        Pack(root / "Art/moon.zorva-art", BytesOf("DDS moon"));
        Pack(root / "Auto/click.zorva-snd", BytesOf("wav"));
        Pack(root / "Auto/plain.zorva-ps", BytesOf("ps"));
        Pack(root / "Auto/unknown.zorva-xyz", BytesOf("?"));
        fs::create_directories(root / "Auto/nested.zorva-tex");
        Pack(root / "Auto/nested.zorva-tex/inner.zorva-tex", BytesOf("never"));
        WriteBytes(root / "Auto/readme.txt", BytesOf("not a resource"));
        Pack(root / "Auto/LvlMedium/cube.zorva-msh", BytesOf("mesh"));
        userFolder = GetUserVersionFolder();
        fs::create_directories(fs::path(WideToUtf8(userFolder)));
        LanguageId.store(LangAmerican);
    }

    std::u16string RootText() { return Wide(root) + u"/"; }

    PrivateHome home;
    fs::path root;
    std::u16string userFolder;
};

TEST_F(LoadingTest, AllStagesLoadEveryKindWhereItBelongs)
{
    HookRecorder hooks(root);
    std::vector<std::string> calls;
    File::LoadingCallbacks callbacks;
    callbacks.rearrangeSatellites = [&] { calls.push_back(LoadStage.load() >= 3 ? "satellites" : "satellites too early"); };
    callbacks.buildWorld = [&] { calls.push_back("world " + std::to_string(LoadStage.load())); };
    // The merge task may already have moved 9 on to 10.
    callbacks.resetBindingCaches = [&] { calls.push_back(LoadStage.load() >= 9 ? "caches" : "caches too early"); };
    callbacks.buildPages = [&] { calls.push_back("pages " + std::to_string(LoadStage.load())); };
    FileKernel k(RootText());
    k.kernel.searcher->Post();
    ASSERT_TRUE(DriveLoading(callbacks));

    EXPECT_EQ(hooks.Seen(), (std::vector<std::string>{
                                "msh Auto/LvlMedium/cube.zorva-msh", "ps Auto/plain.zorva-ps", "snd Auto/click.zorva-snd",
                                "snd Stream/ru/help.zorva-snd", "strm Stream/tune.zorva-strm",
                                "tex Boot/Dialog_Font.zorva-tex", "tex Boot2/LvlMedium/shadow.zorva-tex",
                                "vsil Boot2/dialog.zorva-vsil"}));
    // Boot2 is started before the satellites move; the world comes before the content stage.
    EXPECT_EQ(calls, (std::vector<std::string>{"satellites", "world 5", "caches", "pages 14"}));
    EXPECT_EQ(LanguageId.load(), LangRussian);

    File::CContentStore& store = k.Store();
    std::vector<std::u16string> names;
    for (const auto& entry : store.pictures)
        names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"apple", u"moon", u"zebra"}));
    EXPECT_EQ(hooks.Arts(), (std::vector<std::string>{"apple DDS apple", "moon DDS moon", "zebra DDS zebra"}));
    ASSERT_NE(store.FindBlob(u"background"), nullptr);
    EXPECT_EQ(*store.FindBlob(u"background"), BytesOf("BG"));
    // No "Art" was saved: the first picture is current and keeps its pixels for hit-testing.
    ASSERT_NE(k.kernel.currentArt->current, nullptr);
    EXPECT_EQ(k.kernel.currentArt->current->first, u"apple");
    EXPECT_EQ(store.FindPicture(u"apple")->second.pixels, BytesOf("DDS apple"));
    EXPECT_TRUE(store.FindPicture(u"moon")->second.pixels.empty());
    // A picture keeps its whole decrypted file (header, packed stream, padding) and is unpacked later.
    EXPECT_EQ(store.FindPicture(u"moon")->second.packed.size(), fs::file_size(root / "Art/moon.zorva-art"));
    // The glyphs went after the pages were built; the scales stay.
    EXPECT_TRUE(k.Font().glyphs.empty());
    EXPECT_EQ(k.Font().invScaleW, 0.00390625f);
    EXPECT_TRUE(store.ProfileStagePassed());
}

TEST_F(LoadingTest, AReplayReloadsOnlyTheQualityDependentStages)
{
    HookRecorder hooks(root);
    FileKernel k(RootText());
    k.kernel.searcher->Post();
    ASSERT_TRUE(DriveLoading());
    // The child picks another picture, then a settings change replays the device stages.
    k.kernel.currentArt->current = k.Store().FindPicture(u"moon");
    hooks.Clear();
    LoadStage.store(2);
    std::size_t glyphsAtPages = 0;
    File::LoadingCallbacks callbacks;
    callbacks.buildPages = [&] { glyphsAtPages = k.Font().glyphs.size(); };
    ASSERT_TRUE(DriveLoading(callbacks));
    EXPECT_EQ(hooks.Seen(), (std::vector<std::string>{"msh Auto/LvlMedium/cube.zorva-msh", "ps Auto/plain.zorva-ps",
                                                      "snd Auto/click.zorva-snd", "tex Boot2/LvlMedium/shadow.zorva-tex",
                                                      "vsil Boot2/dialog.zorva-vsil"}));
    EXPECT_EQ(hooks.Arts().size(), 3u);
    EXPECT_EQ(k.kernel.currentArt->current->first, u"moon");
    // The font came again with Boot2 for the new pages' texts.
    EXPECT_EQ(glyphsAtPages, 1u);
    EXPECT_TRUE(k.Font().glyphs.empty());
}

TEST_F(LoadingTest, OnePictureOfTwoWithTheSameName)
{
    Pack(root / "Auto/APPLE.zorva-art", BytesOf("DDS other apple"));
    HookRecorder hooks(root);
    FileKernel k(RootText());
    k.kernel.searcher->Post();
    ASSERT_TRUE(DriveLoading());
    EXPECT_EQ(k.Store().pictures.size(), 3u);
    EXPECT_EQ(hooks.Arts().size(), 3u);
}

TEST_F(LoadingTest, AStageCompletesOnlyAfterItsLastHolder)
{
    for (int i = 0; i < 60; ++i)
        Pack(root / ("Boot/s" + std::to_string(i) + ".zorva-snd"), Bytes(100 + i, 's'));
    std::atomic<int> sounds{0};
    HookRecorder hooks(root);
    File::GetKindHooks().sound = [&](File::CFileHolderGeneric&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(sounds.load() % 3));
        sounds.fetch_add(1);
    };
    FileKernel k(RootText());
    k.kernel.searcher->Post();
    ASSERT_TRUE(WaitFor([] { return LoadStage.load() == 2; }, std::chrono::seconds(20), std::chrono::milliseconds(0)));
    EXPECT_EQ(sounds.load(), 60);
    EXPECT_TRUE(k.kernel.searcher->Done());
}

TEST_F(LoadingTest, AFolderWhoseOnlyMatchesAreFoldersCompletesAtOnce)
{
    fs::remove_all(root / "Boot");
    fs::create_directories(root / "Boot/fake.zorva-tex");
    HookRecorder hooks(root);
    FileKernel k(RootText());
    k.kernel.searcher->Post();
    EXPECT_TRUE(WaitFor([] { return LoadStage.load() == 2; }, std::chrono::seconds(10)));
    EXPECT_FALSE(ErrorReported.load());
}

// A missing folder, and one with nothing that looks like a resource: the stage stops where it is.
// Each case runs in a child of its own, since a failure report ends the run it happens in.
TEST_F(LoadingTest, AMissingOrEmptyStageFolderStopsLoading)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> damage;
        std::uint32_t stuckAt;
    } cases[] = {
        {"missing quality folder", [](const fs::path& tree) { fs::remove_all(tree / "Boot2/LvlMedium"); }, 4},
        {"pictures folder without pictures",
         [](const fs::path& tree) {
             fs::remove_all(tree / "Art");
             fs::create_directories(tree / "Art");
             WriteBytes(tree / "Art/readme.txt", BytesOf("x"));
         },
         7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path tree = home.Root() / c.what;
        fs::copy(root, tree, fs::copy_options::recursive);
        c.damage(tree);
        const pid_t child = fork();
        if (child == 0) {
            bool ok = false;
            {
                ReportCapture reports;
                HookRecorder hooks(tree);
                FileKernel k(Wide(tree) + u"/");
                k.kernel.searcher->Post();
                const bool stopped = !DriveLoading();
                ok = stopped && reports.FirstOperationIs(u"Searching resources folders error") &&
                     reports.Reports().front().find(u"Code: 0x80070002") != std::u16string::npos &&
                     LoadStage.load() == c.stuckAt && !k.kernel.searcher->Done();
            }
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
}

TEST_F(LoadingTest, ADamagedResourceStaysOnDiskAndStopsLoading)
{
    const Bytes good = ReadBytes(root / "Boot/background.zorva-blob");
    Bytes bad = good;
    bad[bad.size() / 2] ^= 0x40;
    WriteBytes(root / "Boot/background.zorva-blob", bad);
    ReportCapture reports;
    HookRecorder hooks(root);
    FileKernel k(RootText());
    k.kernel.searcher->Post();
    EXPECT_FALSE(DriveLoading());
    EXPECT_TRUE(reports.FirstOperationIs(u"Unwind") || reports.FirstOperationIs(u"Validation"));
    EXPECT_TRUE(fs::exists(root / "Boot/background.zorva-blob"));
}

TEST_F(LoadingTest, APictureWithoutTextureStopsTheMerge)
{
    ReportCapture reports;
    HookRecorder hooks(root);
    hooks.artResult = MakeCode(0x887A0005u);
    FileKernel k(RootText());
    k.kernel.searcher->Post();
    EXPECT_FALSE(DriveLoading());
    EXPECT_TRUE(reports.FirstOperationIs(u"Create Art"));
    EXPECT_NE(reports.Reports().front().find(u"Code: 0x887a0005"), std::u16string::npos);
}

TEST_F(LoadingTest, AHolderAfterAQuitReadsNothing)
{
    bool called = false;
    HookRecorder hooks(root);
    File::GetKindHooks().texture = [&](File::CFileHolderGeneric&) { called = true; };
    FileKernel k(RootText());
    const fs::path file = root / "Boot/Dialog_Font.zorva-tex";
    auto* holder = new File::CZorvaFileHolder(k.kernel.searcher.get(), Wide(file),
                                              static_cast<std::uint32_t>(fs::file_size(file)));
    RequestQuit();
    holder->Run();
    EXPECT_FALSE(called);
    EXPECT_TRUE(holder->Raw().empty());
    holder->Release();
    // Without the quit the same holder kind loads the file.
    QuitRequested.store(false);
    holder = new File::CZorvaFileHolder(k.kernel.searcher.get(), Wide(file), static_cast<std::uint32_t>(fs::file_size(file)));
    holder->Run();
    EXPECT_TRUE(called);
    EXPECT_EQ(holder->GetResourceName(), u"dialog_font");
    EXPECT_EQ(holder->GetExtension(), u".zorva-tex");
    holder->Release();
}

} // namespace
} // namespace Zorva::Testing
