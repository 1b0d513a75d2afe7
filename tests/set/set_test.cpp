// Set run as a program: it removes Glimmerpen's key from the machine store and from every
// account's store. Each run sees a password database of test accounts only (a private mount
// namespace), so no real user's files are touched.
#include "platform/settings_store.h"
#include "tests/support/bell_watch.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace Zorva {
namespace {
namespace fs = std::filesystem;
using Testing::PrivateHome;

constexpr std::u16string_view kKey = u"SOFTWARE\\Kavrin-Dremlas Vostrik\\Glimmerpen\\1.0";

class SetProgram : public testing::Test {
protected:
    void SetUp() override
    {
        if (Testing::RunProgram("/usr/bin/unshare", {"-m", "true"}) != 0)
            GTEST_SKIP() << "no private mount namespace here; Set would see the real accounts";
        // Two other accounts with homes of their own, and one without a home folder.
        fs::create_directories(home_.Root() / "alice/.config");
        fs::create_directories(home_.Root() / "bob");
        std::ofstream(passwd_) << "alice:x:2001:2001::" << (home_.Root() / "alice").string() << ":/bin/sh\n"
                               << "bob:x:2002:2002::" << (home_.Root() / "bob").string() << ":/bin/sh\n"
                               << "nobody:x:65534:65534::/nonexistent:/usr/sbin/nologin\n";
    }

    int RunSet(const std::vector<std::string>& words)
    {
        std::string cmd = "mount --bind '" + passwd_.string() + "' /etc/passwd && exec '" + Testing::SetPath() + "'";
        for (const std::string& w : words)
            cmd += " '" + w + "'";
        return Testing::RunProgram("/usr/bin/unshare", {"-m", "/bin/sh", "-c", cmd});
    }

    void Fill(const Platform::SettingsStore& store)
    {
        ASSERT_TRUE(store.CreateKey(kKey));
        ASSERT_TRUE(store.SetDword(kKey, u"Audio", 1));
        ASSERT_TRUE(store.CreateKey(std::u16string(kKey) + u"\\Sub"));
    }

    PrivateHome home_;
    fs::path passwd_ = home_.Root() / "passwd";
};

TEST_F(SetProgram, RemoveGoesForTheMachineTheUserAndEveryAccount)
{
    const Platform::SettingsStore user = Platform::SettingsStore::CurrentUser();
    const Platform::SettingsStore machine = Platform::SettingsStore::LocalMachine();
    const Platform::SettingsStore alice((home_.Root() / "alice/.config").string());
    Fill(user);
    Fill(machine);
    Fill(alice);
    EXPECT_EQ(RunSet({"remove"}), 0);
    for (const fs::path& root : {home_.Config(), home_.Machine(), home_.Root() / "alice/.config"}) {
        EXPECT_FALSE(fs::exists(root / "Kavrin-Dremlas Vostrik")) << root;
        EXPECT_TRUE(fs::is_directory(root)) << "the store's root stays: " << root;
    }
    EXPECT_FALSE(fs::exists(home_.Root() / "bob/.config")) << "nothing is created where nothing was";
    EXPECT_EQ(RunSet({"remove"}), 0) << "a second run finds nothing and still succeeds";
}

TEST_F(SetProgram, ParentsThatHoldAnythingElseStay)
{
    const Platform::SettingsStore user = Platform::SettingsStore::CurrentUser();
    Fill(user);
    ASSERT_TRUE(user.CreateKey(u"SOFTWARE\\Kavrin-Dremlas Vostrik\\Other Book"));
    const Platform::SettingsStore machine = Platform::SettingsStore::LocalMachine();
    Fill(machine);
    ASSERT_TRUE(machine.SetDword(u"SOFTWARE\\Kavrin-Dremlas Vostrik\\Glimmerpen", u"Installed", 1));
    EXPECT_EQ(RunSet({"keep", "REMOVE"}), 0);
    EXPECT_FALSE(fs::exists(home_.Config() / "Kavrin-Dremlas Vostrik/Glimmerpen"));
    EXPECT_TRUE(fs::is_directory(home_.Config() / "Kavrin-Dremlas Vostrik/Other Book"));
    EXPECT_FALSE(fs::exists(home_.Machine() / "Kavrin-Dremlas Vostrik/Glimmerpen/1.0"));
    EXPECT_TRUE(machine.QueryValue(u"SOFTWARE\\Kavrin-Dremlas Vostrik\\Glimmerpen", u"Installed").has_value());
}

TEST_F(SetProgram, LinksAreRemovedNeverFollowed)
{
    const Platform::SettingsStore user = Platform::SettingsStore::CurrentUser();
    Fill(user);
    const fs::path outside = home_.Root() / "outside";
    fs::create_directories(outside / "keep");
    std::ofstream(outside / "keep/precious") << "x";
    fs::create_directory_symlink(outside, home_.Config() / "Kavrin-Dremlas Vostrik/Glimmerpen/1.0/Sub/link");
    // Another account whose product folder is a link into somebody else's files.
    fs::create_directories(home_.Root() / "victim/Glimmerpen/1.0");
    std::ofstream(home_.Root() / "victim/Glimmerpen/1.0/data") << "x";
    fs::create_directory_symlink(home_.Root() / "victim", home_.Root() / "alice/.config/Kavrin-Dremlas Vostrik");
    EXPECT_EQ(RunSet({"Remove"}), 0);
    EXPECT_FALSE(fs::exists(home_.Config() / "Kavrin-Dremlas Vostrik"));
    EXPECT_TRUE(fs::exists(outside / "keep/precious"));
    EXPECT_TRUE(fs::exists(home_.Root() / "victim/Glimmerpen/1.0/data"));
}

TEST_F(SetProgram, AnythingButRemoveBeepsAndChangesNothing)
{
    Testing::PrivateDisplay display;
    ASSERT_TRUE(display.Ok());
    const Platform::SettingsStore user = Platform::SettingsStore::CurrentUser();
    Fill(user);
    Testing::BellWatcher bells;
    ASSERT_TRUE(bells.Ok());
    const std::vector<std::vector<std::string>> refused = {{}, {"/remove"}, {"-remove"}, {"removes"}, {"uninstall"}};
    int expected = 0;
    for (const auto& words : refused) {
        EXPECT_EQ(RunSet(words), 1);
        ++expected;
        EXPECT_TRUE(Testing::WaitFor([&] { return bells.Count() >= expected; }, std::chrono::seconds(5)))
            << "no beep for " << (words.empty() ? "no words" : words[0]);
    }
    EXPECT_TRUE(user.QueryValue(kKey, u"Audio").has_value());
}

} // namespace
} // namespace Zorva
