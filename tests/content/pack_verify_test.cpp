// The resource-file tool accepts every file of the staged tree.
#include "tests/content/res_reader.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(ContentTree, ZorvaPackVerifiesEveryFile) {
    Zorva::Testing::PrivateHome home;
    const std::filesystem::path res = std::filesystem::path(ZORVA_STAGE_DIR) / "Res";
    std::vector<std::string> args = {"verify"};
    for (const auto& rel : ResCheck::ListResources(res))
        args.push_back((res / rel).string());
    ASSERT_GT(args.size(), 50u);
    Zorva::Testing::Process verify(ZORVA_PACK, args);
    const auto rc = verify.Wait(std::chrono::seconds(300));
    ASSERT_TRUE(rc.has_value());
    EXPECT_EQ(*rc, 0);
}

} // namespace
