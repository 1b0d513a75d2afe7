// zorva-pack against the other implementation of the container (openssl, bzip2 and a script).
#include "file_test_support.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace Zorva::Testing {
namespace {

namespace fs = std::filesystem;

std::string Pack()
{
    return ZORVA_PACK_PATH;
}

std::string Ref()
{
    return std::string("python3 ") + ZORVA_SOURCE_DIR + "/tests/file/container_ref.py";
}

int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Bytes Sample(std::size_t n)
{
    std::mt19937 rng(static_cast<unsigned>(n));
    Bytes out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng() % 7 == 0 ? rng() : 'a');
    return out;
}

TEST(ZorvaPack, PackedFilesOpenWithTheToolsAndTheirsWithUs)
{
    PrivateHome home;
    const fs::path dir = home.Temp();
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, std::size_t{300000}}) {
        SCOPED_TRACE(size);
        const Bytes data = Sample(size);
        WriteBytes(dir / "plain", data);
        // Ours to theirs.
        ASSERT_EQ(Shell(Pack() + " pack " + (dir / "plain").string() + " " + (dir / "Ours.zorva-snd").string()), 0);
        ASSERT_EQ(Shell(Ref() + " unpack " + (dir / "Ours.zorva-snd").string() + " " + (dir / "back").string()), 0);
        EXPECT_EQ(ReadBytes(dir / "back"), data);
        // Theirs to ours.
        ASSERT_EQ(Shell(Ref() + " pack " + (dir / "plain").string() + " " + (dir / "Theirs.zorva-tex").string()), 0);
        ASSERT_EQ(Shell(Pack() + " verify " + (dir / "Theirs.zorva-tex").string()), 0);
        ASSERT_EQ(Shell(Pack() + " unpack " + (dir / "Theirs.zorva-tex").string() + " " + (dir / "again").string()), 0);
        EXPECT_EQ(ReadBytes(dir / "again"), data);
    }
}

TEST(ZorvaPack, VerifyNamesEveryFailingFileWithItsStep)
{
    PrivateHome home;
    const fs::path dir = home.Temp();
    WriteBytes(dir / "plain", Sample(5000));
    ASSERT_EQ(Shell(Pack() + " pack " + (dir / "plain").string() + " " + (dir / "good.zorva-db").string()), 0);
    fs::copy_file(dir / "good.zorva-db", dir / "renamed.zorva-db");
    WriteBytes(dir / "tiny.zorva-db", Bytes(12, 0));
    Bytes flipped = ReadBytes(dir / "good.zorva-db");
    flipped[20] ^= 1;
    WriteBytes(dir / "flipped.zorva-db", flipped);
    const std::string out = Capture(Pack() + " verify " + (dir / "good.zorva-db").string() + " " +
                                    (dir / "tiny.zorva-db").string() + " " + (dir / "missing.zorva-db").string() + " " +
                                    (dir / "flipped.zorva-db").string() + "; echo exit=$?");
    EXPECT_EQ(out.find("good.zorva-db"), std::string::npos) << out;
    EXPECT_NE(out.find("tiny.zorva-db: A resource file is corrupt\n"), std::string::npos) << out;
    EXPECT_NE(out.find("missing.zorva-db: Read File\n"), std::string::npos) << out;
    // A flipped bit in the first block scrambles the header: the check fails (or, rarely, the padding).
    EXPECT_TRUE(out.find("flipped.zorva-db: Validation\n") != std::string::npos ||
                out.find("flipped.zorva-db: Unwind\n") != std::string::npos)
        << out;
    EXPECT_NE(out.find("exit=1"), std::string::npos);
    const std::string renamed = Capture(Pack() + " verify " + (dir / "renamed.zorva-db").string());
    EXPECT_TRUE(renamed.find(": Unwind") != std::string::npos || renamed.find(": Validation") != std::string::npos);
    EXPECT_EQ(Shell(Pack() + " verify " + (dir / "good.zorva-db").string()), 0);
    EXPECT_EQ(Shell(Pack() + " frobnicate"), 2);
}

} // namespace
} // namespace Zorva::Testing
