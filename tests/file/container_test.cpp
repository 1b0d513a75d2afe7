#include "file/container.h"

#include "file_test_support.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace Zorva::Testing {
namespace {

namespace fs = std::filesystem;
using File::ContainerFault;

Bytes RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng());
    return out;
}

// Reads a file the way a loading holder does, up to the payload.
struct ReadResult {
    File::ContainerError error;
    Bytes raw;
    Bytes payload;
};
ReadResult ReadFileAsHolder(const fs::path& path)
{
    ReadResult r;
    r.error = File::ReadContainerImage(Wide(path), fs::file_size(path), r.raw);
    if (!r.error)
        File::DecompressContainer(r.raw, r.payload);
    return r;
}

TEST(ContainerCheck, WorkedExampleForTheNameAbc)
{
    const Bytes key = File::NameKeyBytes(u"abc");
    EXPECT_EQ(key, (Bytes{'a', 0, 'b', 0, 'c', 0}));
    Bytes empty(12, 0);
    EXPECT_EQ(File::ComputeContainerCheck(empty, key), 0x278024E3u);
    Bytes withPayload = {0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c'};
    EXPECT_EQ(File::ComputeContainerCheck(withPayload, key), 0x2801A25Fu);
}

TEST(ContainerCheck, NameKeyIsTheLastElementLowerCasedInAsciiOnly)
{
    EXPECT_EQ(File::NameKeyBytes(u"/res/Boot/Dialog_FONT.Zorva-Tex"), File::NameKeyBytes(u"dialog_font.zorva-tex"));
    // U+00C4 keeps its case: only A-Z are mapped.
    EXPECT_EQ(File::NameKeyBytes(u"\u00C4B"), (Bytes{0xC4, 0x00, 'b', 0}));
}

TEST(ContainerRoundTrip, PayloadsOfEverySizeComeBackAndTheLengthFollowsThePackedSize)
{
    PrivateHome home;
    const fs::path dir = home.Temp();
    const std::vector<Bytes> payloads = {Bytes{}, BytesOf("x"), Bytes(100000, 'a'), RandomBytes(300000, 7)};
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        SCOPED_TRACE(i);
        const fs::path path = dir / ("Item" + std::to_string(i) + ".zorva-blob");
        ASSERT_TRUE(File::WriteContainerFile(payloads[i].data(), payloads[i].size(), Wide(path)));
        const ReadResult r = ReadFileAsHolder(path);
        ASSERT_FALSE(r.error) << static_cast<int>(r.error.fault);
        EXPECT_EQ(r.payload, payloads[i]);
        const std::uint32_t packed = r.raw[4] | r.raw[5] << 8 | r.raw[6] << 16 | r.raw[7] << 24;
        EXPECT_EQ(fs::file_size(path), 16 * ((12 + packed) / 16 + 1));
        // No temporary file is left beside the container.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), static_cast<long>(i + 1));
    }
}

TEST(ContainerRoundTrip, OtherLetterCaseLoadsAndOtherNameFails)
{
    PrivateHome home;
    const Bytes data = BytesOf("payload of a sound");
    ASSERT_TRUE(File::WriteContainerFile(data.data(), data.size(), Wide(home.Temp() / "Jingle.zorva-snd")));
    fs::copy_file(home.Temp() / "Jingle.zorva-snd", home.Temp() / "JINGLE.ZORVA-SND");
    fs::copy_file(home.Temp() / "Jingle.zorva-snd", home.Temp() / "other.zorva-snd");
    EXPECT_EQ(ReadFileAsHolder(home.Temp() / "JINGLE.ZORVA-SND").payload, data);
    const ContainerFault fault = ReadFileAsHolder(home.Temp() / "other.zorva-snd").error.fault;
    EXPECT_TRUE(fault == ContainerFault::Unwind || fault == ContainerFault::Validation);
}

TEST(ContainerRoundTrip, ABuiltContainerMatchesTheWrittenFile)
{
    PrivateHome home;
    const Bytes data = RandomBytes(5000, 3);
    Bytes built;
    ASSERT_TRUE(File::BuildContainer(data.data(), data.size(), u"x/a.zorva-db", built));
    ASSERT_TRUE(File::WriteContainerFile(data.data(), data.size(), Wide(home.Temp() / "a.zorva-db")));
    EXPECT_EQ(built, ReadBytes(home.Temp() / "a.zorva-db"));
}

TEST(ContainerRoundTrip, AnOversizedPayloadIsNotWritten)
{
    Bytes out;
    const std::uint8_t byte = 0;
    EXPECT_FALSE(File::BuildContainer(&byte, std::size_t{File::kMaxUnpackedLength} + 1, u"big.zorva-blob", out));
    EXPECT_TRUE(out.empty());
}

TEST(ContainerRead, HandMadeImages)
{
    PrivateHome home;
    const std::u16string name = u"case.zorva-blob";
    const Bytes hello = BytesOf("hello, hello, hello");
    Bytes packedHello;
    {
        // The packed stream of a real container of `hello`.
        Bytes built;
        ASSERT_TRUE(File::BuildContainer(hello.data(), hello.size(), name, built));
        ASSERT_FALSE(File::OpenContainerImage(built, File::NameKeyBytes(name)));
        const std::uint32_t packed = built[4] | built[5] << 8;
        packedHello.assign(built.begin() + 12, built.begin() + 12 + packed);
    }
    const std::uint32_t wrongCheck = 12345;
    Bytes longer = hello;
    longer.resize(hello.size() + 50, 0);
    struct Case {
        const char* what;
        Bytes file;
        ContainerFault fault;
        Bytes payload;
    } cases[] = {
        {"header only, nothing packed", Seal(PlainImage(0, 0, {}, name), name), ContainerFault::None, {}},
        {"a stream shorter than unpackedLength leaves zeros",
         Seal(PlainImage(static_cast<std::uint32_t>(packedHello.size()), static_cast<std::uint32_t>(longer.size()),
                         packedHello, name),
              name),
         ContainerFault::None, longer},
        {"packedLength past the file with a matching check",
         Seal(PlainImage(40, 0, Bytes(4, 0), name), name), ContainerFault::Validation, {}},
        {"wrong check value", Seal(PlainImage(0, 0, {}, name, &wrongCheck), name), ContainerFault::Validation, {}},
        {"unpackedLength beyond the bound", Seal(PlainImage(0, File::kMaxUnpackedLength + 1, {}, name), name),
         ContainerFault::Validation, {}},
        {"twelve bytes", Bytes(12, 0), ContainerFault::TooSmall, {}},
        {"not whole blocks", Bytes(20, 1), ContainerFault::Unwind, {}},
        {"random blocks", RandomBytes(64, 9), ContainerFault::Unwind, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path path = home.Temp() / "case.zorva-blob";
        WriteBytes(path, c.file);
        const ReadResult r = ReadFileAsHolder(path);
        EXPECT_EQ(r.error.fault, c.fault);
        if (c.fault == ContainerFault::None) {
            EXPECT_EQ(r.payload, c.payload);
        }
    }
}

TEST(ContainerRead, ASmallFileIsRefusedBeforeItIsRead)
{
    // The file does not exist: were it read, the failure would be "Read File".
    Bytes raw;
    const auto error = File::ReadContainerImage(u"/nonexistent/x.zorva-tex", 12, raw);
    EXPECT_EQ(error.fault, ContainerFault::TooSmall);
    EXPECT_EQ(error.operation, u"A resource file is corrupt");
    EXPECT_EQ(File::ReadContainerImage(u"/nonexistent/x.zorva-tex", 32, raw).fault, ContainerFault::Read);
}

TEST(ContainerRead, FailuresRaiseTheirKindsWithTheirTexts)
{
    PrivateHome home;
    ReportCapture reports;
    EXPECT_THROW(File::RaiseContainerError({ContainerFault::Validation, E_FAIL, u"Validation"}),
                 Exception::FileCorrupt);
    EXPECT_TRUE(reports.FirstOperationIs(u"Validation"));
    EXPECT_THROW(File::RaiseContainerError({ContainerFault::Unwind, File::kBadDataCode, u"Unwind"}), Exception::IOError);
}

// The other implementation: openssl and bzip2 on the command line, a script for the header.
std::string Ref()
{
    return std::string("python3 ") + ZORVA_SOURCE_DIR + "/tests/file/container_ref.py";
}

TEST(ContainerInterop, ContainersOfTheCommandLineToolsLoad)
{
    PrivateHome home;
    const std::vector<Bytes> payloads = {BytesOf("<?xml version=\"1.0\"?><Zorva/>"), RandomBytes(200000, 5),
                                         Bytes(70000, 'z')};
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        SCOPED_TRACE(i);
        const fs::path plain = home.Temp() / "plain.bin";
        const fs::path container = home.Temp() / ("Ref" + std::to_string(i) + ".zorva-db");
        WriteBytes(plain, payloads[i]);
        ASSERT_EQ(std::system((Ref() + " pack " + plain.string() + " " + container.string()).c_str()), 0);
        const ReadResult r = ReadFileAsHolder(container);
        ASSERT_FALSE(r.error) << static_cast<int>(r.error.fault);
        EXPECT_EQ(r.payload, payloads[i]);
    }
}

TEST(ContainerInterop, OurContainersDecryptAndValidateWithTheCommandLineTools)
{
    PrivateHome home;
    const std::vector<Bytes> payloads = {Bytes{}, RandomBytes(123457, 11), Bytes(1 << 20, 'q')};
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        SCOPED_TRACE(i);
        const fs::path container = home.Temp() / ("Ours" + std::to_string(i) + ".zorva-tex");
        const fs::path plain = home.Temp() / "out.bin";
        ASSERT_TRUE(File::WriteContainerFile(payloads[i].data(), payloads[i].size(), Wide(container)));
        ASSERT_EQ(std::system((Ref() + " unpack " + container.string() + " " + plain.string()).c_str()), 0);
        EXPECT_EQ(ReadBytes(plain), payloads[i]);
    }
}

} // namespace
} // namespace Zorva::Testing
