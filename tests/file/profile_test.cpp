#include "file/profile.h"

#include "file/database.h"
#include "kernel/folders.h"
#include "kernel/strings.h"
#include "loading_driver.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Zorva::Testing {
namespace {

std::string Ref()
{
    return std::string("python3 ") + ZORVA_SOURCE_DIR + "/tests/file/container_ref.py";
}

fs::path ProfileFile()
{
    return fs::path(WideToUtf8(File::ProfilePath()));
}

// The profile's document as the command-line tools decode it.
std::string DecodeWithTools(const fs::path& container, const fs::path& scratch)
{
    const fs::path plain = scratch / "profile.xml";
    if (std::system((Ref() + " unpack '" + container.string() + "' '" + plain.string() + "'").c_str()) != 0)
        return "<does not validate>";
    const Bytes bytes = ReadBytes(plain);
    return std::string(bytes.begin(), bytes.end());
}

// The profile's document as the program reads it, or nothing when it does not validate.
std::optional<std::string> DecodeOurselves(const fs::path& container)
{
    Bytes raw;
    if (File::ReadContainerImage(Wide(container), fs::file_size(container), raw))
        return std::nullopt;
    Bytes payload;
    File::DecompressContainer(raw, payload);
    return std::string(payload.begin(), payload.end());
}

TEST(ProfileDocument, OnlyColouredRegionsAreWritten)
{
    PrivateHome home;
    File::CContentStore store;
    EXPECT_EQ(File::BuildProfileDocument(store), u"<?xml version=\"1.0\"?><Zorva version=\"1.0\"/>");
    store.AddPicture(u"white", File::ArtRecord());
    File::ArtRecord art;
    art.colours[0].Assign(0.2f, 0.2f, 0.2f, 1.0f); // the outline is never written
    art.colours[17].Assign(0.5019607843f, 0.0f, 1.0f, 1.0f);
    art.colours[4095].Assign(1.0f, 1.0f, 1.0f, 0.5f);
    store.AddPicture(u"say \"hi\"", std::move(art));
    const std::u16string doc = File::BuildProfileDocument(store);
    EXPECT_EQ(doc.find(u"white"), std::u16string::npos);
    EXPECT_NE(doc.find(u"name=\"say&#032;&quot;hi&quot;\""), std::u16string::npos);
    EXPECT_EQ(doc.find(u"x0\""), std::u16string::npos);

    // Read back into a fresh store: alpha returns as 1, six decimals survive.
    FileKernel k;
    k.Store().AddPicture(u"say \"hi\"", File::ArtRecord());
    const std::string utf8 = WideToUtf8(doc);
    File::CBookDatabaseReader reader(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
    const auto& colours = k.Store().FindPicture(u"say \"hi\"")->second.colours;
    EXPECT_EQ(colours[17].r, 0.501961f);
    EXPECT_EQ(colours[17].b, 1.0f);
    EXPECT_TRUE(colours[4095].IsOpaqueWhite());
    EXPECT_EQ(colours[0].r, 0.0f);
}

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = home.Root() / "Res";
        Pack(root / "Boot/background.zorva-blob", BytesOf("BG"));
        Pack(root / "Boot2/a.zorva-blob", BytesOf("a"));
        Pack(root / "Boot2/LvlMedium/b.zorva-blob", BytesOf("b"));
        Pack(root / "Stream/c.zorva-blob", BytesOf("c"));
        Pack(root / "Stream/en/d.zorva-blob", BytesOf("d"));
        for (const char* name : {"apple", "moon", "zebra"})
            Pack(root / "Art" / (std::string(name) + ".zorva-art"), BytesOf(std::string("DDS ") + name));
        Pack(root / "Auto/e.zorva-blob", BytesOf("e"));
        Pack(root / "Auto/LvlMedium/f.zorva-blob", BytesOf("f"));
        fs::create_directories(ProfileFile().parent_path());
        LanguageId.store(LangAmerican);
    }
    std::u16string RootText() { return Wide(root) + u"/"; }
    void WriteProfile(const std::string& xml)
    {
        Pack(ProfileFile(), BytesOf(xml));
    }

    PrivateHome home;
    fs::path root;
};

TEST_F(ProfileTest, ColoursAndTheCurrentPictureSurviveARun)
{
    WriteProfile("<?xml version=\"1.0\"?><Zorva version=\"1.0\"><Art name=\"moon\">"
                 "<Col name=\"x5\" r=\"0.250000\" g=\"0.500000\" b=\"0.750000\"/></Art>"
                 "<Art name=\"gone\"><Col name=\"x1\" r=\"0\" g=\"0\" b=\"0\"/></Art></Zorva>");
    Kernel::CKernelRegistry().SetString(u"Art", u"moon");
    {
        FileKernel k(RootText());
        k.kernel.searcher->Post();
        ASSERT_TRUE(DriveLoading());
        auto& moon = k.Store().FindPicture(u"moon")->second;
        EXPECT_EQ(moon.colours[5].g, 0.5f);
        EXPECT_EQ(k.kernel.currentArt->current->first, u"moon");
        EXPECT_EQ(moon.pixels, BytesOf("DDS moon")); // the current picture keeps its pixels
        // The child colours a region of another picture and makes it current.
        k.Store().FindPicture(u"zebra")->second.colours[9].Assign(1.0f, 0.0f, 0.0f, 1.0f);
        k.kernel.currentArt->current = k.Store().FindPicture(u"zebra");
    }
    // Attribute order is not significant; compare the trees the other implementation's bytes give.
    const std::string doc = DecodeWithTools(ProfileFile(), home.Temp());
    ASSERT_EQ(doc.rfind("<?xml version=\"1.0\"?><Zorva version=\"1.0\">", 0), 0u) << doc;
    std::vector<File::XmlElement> arts;
    File::CXMLManager reader(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(doc.data()), doc.size()),
                             {{u"Art", [&](File::XmlElement& e) { arts.push_back(e); }}});
    using Attributes = std::unordered_map<std::u16string, std::u16string>;
    ASSERT_EQ(arts.size(), 2u); // the picture that is gone was dropped
    EXPECT_EQ(arts[0].attributes, (Attributes{{u"name", u"moon"}}));
    ASSERT_EQ(arts[0].children.size(), 1u);
    EXPECT_EQ(arts[0].children[0].attributes,
              (Attributes{{u"name", u"x5"}, {u"r", u"0.250000"}, {u"g", u"0.500000"}, {u"b", u"0.750000"}}));
    EXPECT_EQ(arts[1].attributes, (Attributes{{u"name", u"zebra"}}));
    ASSERT_EQ(arts[1].children.size(), 1u);
    EXPECT_EQ(arts[1].children[0].attributes,
              (Attributes{{u"name", u"x9"}, {u"r", u"1.000000"}, {u"g", u"0.000000"}, {u"b", u"0.000000"}}));
    std::u16string art;
    EXPECT_TRUE(Kernel::CKernelRegistry().QueryString(u"Art", art));
    EXPECT_EQ(art, u"zebra");
}

TEST_F(ProfileTest, WithoutAProfileLoadingGoesStraightToTheMergeAndSavesOne)
{
    {
        FileKernel k(RootText());
        k.kernel.searcher->Post();
        ASSERT_TRUE(DriveLoading());
        EXPECT_EQ(k.kernel.currentArt->current->first, u"apple");
    }
    EXPECT_EQ(DecodeWithTools(ProfileFile(), home.Temp()), "<?xml version=\"1.0\"?><Zorva version=\"1.0\"/>");
}

TEST_F(ProfileTest, ARunEndingBeforeTheProfileWasReadKeepsIt)
{
    WriteProfile("<Zorva version=\"1.0\"><Art name=\"moon\"><Col name=\"x5\" r=\"0\" g=\"0\" b=\"0\"/></Art></Zorva>");
    const Bytes before = ReadBytes(ProfileFile());
    Kernel::CKernelRegistry().SetString(u"Art", u"moon");
    {
        FileKernel k(RootText());
        k.kernel.searcher->Post();
        ASSERT_TRUE(WaitFor([] { return LoadStage.load() >= 2; }, std::chrono::seconds(10)));
        RequestQuit(); // e.g. the system shuts down while loading
    }
    EXPECT_EQ(ReadBytes(ProfileFile()), before);
    // No picture was current yet: the remembered one stays.
    std::u16string art;
    EXPECT_TRUE(Kernel::CKernelRegistry().QueryString(u"Art", art));
    EXPECT_EQ(art, u"moon");
}

TEST_F(ProfileTest, ADamagedProfileIsDeletedAndTheNextRunStartsWithoutIt)
{
    for (const std::string damage : {"number", "xml", "bytes"}) {
        SCOPED_TRACE(damage);
        if (damage == "number")
            WriteProfile("<Zorva><Art name=\"moon\"><Col name=\"x5\" r=\"red\" g=\"0\" b=\"0\"/></Art></Zorva>");
        else if (damage == "xml")
            WriteProfile("<Zorva><Art name=\"moon\">");
        else
            WriteBytes(ProfileFile(), Bytes(64, 7));
        const pid_t child = fork();
        if (child == 0) {
            // A run of its own: the failure report of one case must not leak into the next.
            bool stopped = false;
            {
                ReportCapture reports;
                FileKernel k(RootText());
                k.kernel.searcher->Post();
                stopped = !DriveLoading() && ErrorReported.load();
            }
            // The report comes first; the file goes as the failure leaves its holder.
            _exit(stopped && !fs::exists(ProfileFile()) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_FALSE(fs::exists(ProfileFile()));
    }
}

// A store whose saved profile is large enough that saving takes a while.
void FillStore(File::CContentStore& store, float shade)
{
    for (int p = 0; p < 8; ++p) {
        File::ArtRecord art;
        for (std::size_t i = 1; i < File::kRegionCount; ++i)
            art.colours[i].Assign(shade, static_cast<float>(i % 256) / 255.0f, static_cast<float>(p) / 16.0f, 1.0f);
        store.AddPicture(u"picture" + Utf8ToWide(std::to_string(p)), std::move(art));
    }
}

bool SavingFileExists(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != File::kProfileName)
            return true;
    return false;
}

TEST(ProfileSave, AProcessKilledWhileSavingLeavesAWholeProfile)
{
    PrivateHome home;
    const fs::path folder = ProfileFile().parent_path();
    fs::create_directories(folder);
    {
        File::CContentStore first;
        FillStore(first, 0.25f);
        ASSERT_TRUE(File::SaveProfile(first));
    }
    std::mt19937 rng(12345);
    int killedWhileWriting = 0;
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            File::CContentStore store;
            FillStore(store, round % 2 ? 0.5f : 0.75f);
            for (;;)
                File::SaveProfile(store);
        }
        if (round % 2 == 0) {
            // At a random moment.
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 400));
        } else {
            // While the new file is being written: stop the child now and then until it is caught
            // with its temporary file open.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(std::chrono::microseconds(rng() % 2000));
                kill(child, SIGSTOP);
                waitpid(child, nullptr, WUNTRACED);
                if (SavingFileExists(folder))
                    break;
                kill(child, SIGCONT);
            }
        }
        killedWhileWriting += SavingFileExists(folder);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename() != File::kProfileName)
                fs::remove(entry.path());
        const std::optional<std::string> doc = DecodeOurselves(ProfileFile());
        ASSERT_TRUE(doc.has_value()) << "round " << round;
        EXPECT_NE(doc->find("<Art name=\"picture7\">"), std::string::npos) << "round " << round;
        EXPECT_EQ(doc->substr(doc->size() - 14), "</Art></Zorva>");
    }
    EXPECT_GE(killedWhileWriting, 5);
    // The last save that finished is there, read by the other implementation as well.
    EXPECT_NE(DecodeWithTools(ProfileFile(), home.Temp()).find("<Art name=\"picture0\">"), std::string::npos);
}

TEST(ProfileSave, AFailedWriteKeepsTheOldProfile)
{
    PrivateHome home;
    fs::create_directories(ProfileFile().parent_path());
    File::CContentStore old;
    FillStore(old, 0.25f);
    ASSERT_TRUE(File::SaveProfile(old));
    const Bytes before = ReadBytes(ProfileFile());

    // A disk that fills up half way through the write.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{static_cast<rlim_t>(before.size() / 2), RLIM_INFINITY};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    File::CContentStore changed;
    FillStore(changed, 0.5f);
    EXPECT_FALSE(File::SaveProfile(changed));
    limit.rlim_cur = RLIM_INFINITY;
    setrlimit(RLIMIT_FSIZE, &limit);

    EXPECT_EQ(ReadBytes(ProfileFile()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(ProfileFile().parent_path()), fs::directory_iterator()), 1);
}

} // namespace
} // namespace Zorva::Testing
