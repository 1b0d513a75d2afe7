// The file-backed settings store.
#include "platform/instance_lock.h"
#include "platform/settings_store.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace Zorva::Platform {
namespace {
namespace fs = std::filesystem;

constexpr std::u16string_view kKey = u"SOFTWARE\\Maker\\Product";

TEST(SettingsStore, ValuesSurviveWithTheirTypesAndSizes)
{
    Testing::PrivateHome home;
    const SettingsStore store = SettingsStore::CurrentUser();
    ASSERT_TRUE(store.CreateKey(kKey));
    EXPECT_EQ(store.KeyFolder(kKey), (home.Config() / "Maker/Product/").string());
    ASSERT_TRUE(store.SetDword(kKey, u"Number", 0xFFFFFFFFu));
    ASSERT_TRUE(store.SetString(kKey, u"Name with space", u"łódź 🖍 %20"));
    ASSERT_TRUE(store.SetValue(kKey, u"Blob", {static_cast<ValueType>(3), {1, 2, 3}}));
    ASSERT_TRUE(store.SetDword(kKey, u"Number", 5)); // replaced
    const auto number = store.QueryValue(kKey, u"Number");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->type, ValueType::Dword);
    EXPECT_EQ(number->data, (std::vector<std::uint8_t>{5, 0, 0, 0}));
    const auto name = store.QueryValue(kKey, u"Name with space");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->type, ValueType::String);
    EXPECT_EQ(name->data.size(), (std::u16string(u"łódź 🖍 %20").size() + 1) * 2);
    EXPECT_EQ(store.QueryValue(kKey, u"Blob")->data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(store.QueryValue(kKey, u"Missing"));
    // Only the values file itself is left in the folder: no temporary files.
    std::vector<std::string> entries;
    for (const auto& e : fs::directory_iterator(home.Config() / "Maker/Product"))
        entries.push_back(e.path().filename().string());
    EXPECT_EQ(entries, std::vector<std::string>{".values"});
}

TEST(SettingsStore, DamagedFilesReadAsNoValues)
{
    Testing::PrivateHome home;
    const SettingsStore store = SettingsStore::CurrentUser();
    ASSERT_TRUE(store.CreateKey(kKey));
    const fs::path file = home.Config() / "Maker/Product/.values";
    for (const char* content : {"", "garbage\n", "glimmerpen-settings 1\ndword A 1\n", // no end: torn
                                "glimmerpen-settings 1\ndword A x\nend\n", "glimmerpen-settings 1\ndword A 99999999999\nend\n"}) {
        std::ofstream(file, std::ios::trunc) << content;
        EXPECT_FALSE(store.QueryValue(kKey, u"A")) << content;
    }
    std::ofstream(file, std::ios::trunc) << "glimmerpen-settings 1\ndword A 7\nend\n";
    EXPECT_EQ(store.QueryValue(kKey, u"A")->data[0], 7);
    // A write over a damaged file starts afresh.
    std::ofstream(file, std::ios::trunc) << "junk";
    EXPECT_TRUE(store.SetDword(kKey, u"B", 2));
    EXPECT_TRUE(store.QueryValue(kKey, u"B"));
}

TEST(SettingsStore, KeyPathsStayInsideTheStore)
{
    Testing::PrivateHome home;
    const SettingsStore store = SettingsStore::CurrentUser();
    for (std::u16string_view bad : {u"SOFTWARE\\..\\x", u"SOFTWARE\\a/b", u"HARDWARE\\x", u"SOFTWARE\\\\x", u"SOFTWARE\\.values"}) {
        EXPECT_TRUE(store.KeyFolder(bad).empty());
        EXPECT_FALSE(store.CreateKey(bad));
    }
    EXPECT_EQ(store.KeyFolder(u"software\\A"), (home.Config() / "A/").string());
    EXPECT_FALSE(store.DeleteEmptyKey(u"SOFTWARE")); // the root is never removed
    EXPECT_TRUE(fs::is_directory(home.Config()));
}

TEST(SettingsStore, DeleteEmptyKeyOnlyWithoutSubKeysOrValues)
{
    Testing::PrivateHome home;
    const SettingsStore store = SettingsStore::CurrentUser();
    ASSERT_TRUE(store.CreateKey(u"SOFTWARE\\A\\B"));
    EXPECT_FALSE(store.DeleteEmptyKey(u"SOFTWARE\\A"));
    EXPECT_EQ(store.SubKeys(u"SOFTWARE\\A"), std::vector<std::u16string>{u"B"});
    ASSERT_TRUE(store.SetDword(u"SOFTWARE\\A\\B", u"v", 1));
    EXPECT_FALSE(store.DeleteEmptyKey(u"SOFTWARE\\A\\B"));
    ASSERT_TRUE(store.DeleteKeyTree(u"SOFTWARE\\A\\B"));
    EXPECT_TRUE(store.DeleteEmptyKey(u"SOFTWARE\\A"));
    EXPECT_FALSE(fs::exists(home.Config() / "A"));
}

TEST(InstanceLock, OneHolderAtATime)
{
    Testing::PrivateHome home;
    InstanceLock first, second;
    ASSERT_TRUE(first.Acquire("Test-Lock"));
    EXPECT_FALSE(second.Acquire("Test-Lock"));
    first.Release();
    EXPECT_TRUE(second.Acquire("Test-Lock"));
    // Without a runtime folder the lock lives in a private folder under the temporary folder.
    ::unsetenv("XDG_RUNTIME_DIR");
    InstanceLock third;
    EXPECT_TRUE(third.Acquire("Other-Lock"));
    EXPECT_TRUE(fs::exists(home.Temp() / ("glimmerpen-" + std::to_string(::geteuid())) / "Other-Lock.lock"));
}

} // namespace
} // namespace Zorva::Platform
