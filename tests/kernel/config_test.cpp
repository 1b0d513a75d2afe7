// The parent's settings in the per-user settings key, and the program's folders.
#include "kernel/config.h"
#include "kernel/exceptions.h"
#include "kernel/folders.h"
#include "kernel/load_stage.h"
#include "kernel/strings.h"
#include "platform/settings_store.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace Zorva::Kernel {
namespace {
namespace fs = std::filesystem;
using Config = CPersistentSingleton::CConfig;

Platform::SettingsStore Store()
{
    return Platform::SettingsStore::CurrentUser();
}

std::uint32_t StoredDword(std::u16string_view name)
{
    const auto v = Store().QueryValue(kSettingsKeyPath, name);
    EXPECT_TRUE(v.has_value());
    return v && v->data.size() == 4 ? v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) | (v->data[3] << 24) : 0xDEAD;
}

TEST(Config, FirstRunGivesTheDefaultsAndCreatesTheKey)
{
    Testing::PrivateHome home;
    const Config config;
    EXPECT_TRUE(config.current.audio);
    EXPECT_TRUE(config.current.printer);
    EXPECT_TRUE(config.current.exit);
    EXPECT_FALSE(config.current.settings);
    EXPECT_FALSE(config.current.vsync);
    EXPECT_EQ(config.current.quality, 1u);
    EXPECT_EQ(config.pending, config.current);
    EXPECT_TRUE(fs::is_directory(home.Config() / "Kavrin-Dremlas Vostrik/Glimmerpen/1.0"));
}

TEST(Config, StoredValuesAreReadWithTheirRules)
{
    Testing::PrivateHome home;
    ASSERT_TRUE(Store().CreateKey(kSettingsKeyPath));
    Store().SetDword(kSettingsKeyPath, u"Audio", 7);
    Store().SetDword(kSettingsKeyPath, u"Printer", 0);
    Store().SetDword(kSettingsKeyPath, u"Settings", 1);
    Store().SetString(kSettingsKeyPath, u"Exit", u"no"); // 6 bytes: too long for a number
    struct Case {
        std::uint32_t stored, read;
    } qualities[] = {{0, 0}, {2, 2}, {3, 1}, {100, 1}};
    for (const Case& q : qualities) {
        Store().SetDword(kSettingsKeyPath, u"AAx4", q.stored);
        const Config config;
        EXPECT_TRUE(config.current.audio);
        EXPECT_FALSE(config.current.printer);
        EXPECT_TRUE(config.current.exit);
        EXPECT_TRUE(config.current.settings);
        EXPECT_EQ(config.current.quality, q.read) << q.stored;
    }
}

struct Recorder : IMuteSwitch, IDeviceRebuild {
    int mutes = 0;
    int rebuilds = 0;
    void PostToggleMute() override { ++mutes; }
    HRESULT RebuildDevice() override
    {
        ++rebuilds;
        return MakeCode(0x80040905u);
    }
};

TEST(Config, ApplyingOnlyThePrinterFlagWritesAllValuesAndLeavesTheDevice)
{
    Testing::PrivateHome home;
    Store().CreateKey(kSettingsKeyPath);
    Store().SetDword(kSettingsKeyPath, u"Audio", 9);
    Config config;
    Recorder recorder;
    config.muteSwitch = &recorder;
    config.deviceRebuild = &recorder;
    LoadStage = 14;
    config.pending.printer = false;
    EXPECT_EQ(config.ApplyChanges(), S_OK);
    EXPECT_FALSE(config.current.printer);
    EXPECT_EQ(recorder.mutes, 0);
    EXPECT_EQ(recorder.rebuilds, 0);
    EXPECT_EQ(LoadStage.load(), 14u);
    EXPECT_EQ(StoredDword(u"Audio"), 1u); // written back as 1
    EXPECT_EQ(StoredDword(u"Printer"), 0u);
    EXPECT_EQ(StoredDword(u"Exit"), 1u);
    EXPECT_EQ(StoredDword(u"Settings"), 0u);
    EXPECT_EQ(StoredDword(u"VSync"), 0u);
    EXPECT_EQ(StoredDword(u"AAx4"), 1u);
}

TEST(Config, QualityOrVSyncRebuildsTheDeviceAndSoundTogglesMute)
{
    Testing::PrivateHome home;
    Config config;
    Recorder recorder;
    config.muteSwitch = &recorder;
    config.deviceRebuild = &recorder;
    LoadStage = 14;
    config.pending.quality = 2;
    config.pending.audio = false;
    EXPECT_EQ(config.ApplyChanges(), MakeCode(0x80040905u)); // the rebuild's own result
    EXPECT_EQ(recorder.rebuilds, 1);
    EXPECT_EQ(recorder.mutes, 1);
    EXPECT_EQ(LoadStage.load(), 2u);
    EXPECT_EQ(Config().current.quality, 2u);
    EXPECT_FALSE(Config().current.audio);

    config.pending.vsync = true;
    config.ApplyChanges();
    EXPECT_EQ(recorder.rebuilds, 2);
    EXPECT_EQ(recorder.mutes, 1);
}

TEST(Config, DamagedSettingsFileReadsAsDefaults)
{
    Testing::PrivateHome home;
    Store().CreateKey(kSettingsKeyPath);
    Store().SetDword(kSettingsKeyPath, u"Printer", 0);
    const fs::path file = home.Config() / "Kavrin-Dremlas Vostrik/Glimmerpen/1.0/.values";
    fs::resize_file(file, fs::file_size(file) - 4); // a torn write: no end marker
    EXPECT_TRUE(Config().current.printer);
}

TEST(CKernelRegistry, StringValueWithItsSize)
{
    Testing::PrivateHome home;
    const CKernelRegistry key;
    ASSERT_TRUE(key.SetString(u"Art", u"kot"));
    std::uint32_t bytes = 0;
    ASSERT_TRUE(key.QuerySize(u"Art", bytes));
    EXPECT_EQ(bytes, 8u); // three characters and the terminating zero
    std::u16string art;
    ASSERT_TRUE(key.QueryString(u"Art", art));
    EXPECT_EQ(art, u"kot");
}

TEST(Folders, ProgramRootIsTwoElementsUp)
{
    EXPECT_EQ(ProgramRootOf(u"/opt/App/bin/Book"), u"/opt/App/");
    EXPECT_EQ(ProgramRootOf(u"/bin/Book"), u"/");
    EXPECT_THROW(ProgramRootOf(u"/Book"), Exception::NoDataFound);
    EXPECT_THROW(ProgramRootOf(u"Book"), Exception::NoDataFound);
    EXPECT_EQ(FileNameLower(u"/X/Art/Cat.ZORVA-ART"), u"cat.zorva-art");
}

TEST(Folders, UserFoldersLiveUnderTheDocumentsFolder)
{
    Testing::PrivateHome home;
    EXPECT_EQ(WideToUtf8(GetUserVersionFolder()), (home.Home() / "Documents/Glimmerpen/1.0/").string());
    fs::create_directories(home.Config());
    std::ofstream(home.Config() / "user-dirs.dirs") << "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumenty\"\n";
    EXPECT_EQ(WideToUtf8(GetUserFolder()), (home.Home() / "Dokumenty/Glimmerpen/").string());
}

TEST(Folders, MakeFoldersAcceptsExistingAndReportsOtherFailures)
{
    Testing::PrivateHome home;
    const std::u16string base = Utf8ToWide(home.Root().string()) + u"/";
    EXPECT_EQ(MakeFolders(base, {u"a/", u"b/"}), base + u"a/b/");
    EXPECT_EQ(MakeFolders(base, {u"a/", u"b/"}), base + u"a/b/");
    std::ofstream(home.Root() / "file") << "x";
    EXPECT_THROW(MakeFolders(base, {u"file/", u"c/"}), Exception::IOError);
}

TEST(TemporaryFolder, PrivateAndReusedWithinOneRun)
{
    Testing::PrivateHome home;
    const CTemporaryFolder first;
    const std::string path = WideToUtf8(first.Path());
    EXPECT_EQ(path, (home.Temp() / WideToUtf8(TemporaryFolderName())).string() + "/");
    EXPECT_EQ(TemporaryFolderName().size(), 10u + 14u);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const CTemporaryFolder second; // same second, same name: fine
    EXPECT_EQ(second.Path(), first.Path());
}

TEST(TemporaryFolder, RefusesAFolderOthersCouldHavePrepared)
{
    Testing::PrivateHome home;
    const fs::path target = home.Temp() / WideToUtf8(TemporaryFolderName());
    fs::create_directories(home.Root() / "elsewhere");
    fs::create_directory_symlink(home.Root() / "elsewhere", target);
    EXPECT_THROW(CTemporaryFolder(), Exception::IOError);
    fs::remove(target);
    fs::create_directory(target);
    ::chmod(target.c_str(), 0777);
    EXPECT_THROW(CTemporaryFolder(), Exception::IOError);
    ::chmod(target.c_str(), 0700);
    EXPECT_NO_THROW(CTemporaryFolder());
}

} // namespace
} // namespace Zorva::Kernel
