// The content builder itself: how it turns drawings into region maps and filters mip levels, that
// it refuses bad sources, that it writes its contact sheet, and that two builds agree byte for byte.
#include "tests/content/res_reader.h"
#include "tests/support/test_support.h"
#include "tools/content-builder/image.h"
#include "tools/content-builder/region_map.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using Zorva::Testing::PrivateHome;
using Zorva::Testing::Process;
using Zorva::Testing::TempFolder;
namespace T = Zorva::Tools;

const std::filesystem::path kContent = std::filesystem::path(ZORVA_SOURCE_DIR) / "content";

std::optional<int> RunBuilder(const std::vector<std::string>& args, std::chrono::seconds timeout) {
    Process builder(CONTENT_BUILDER, args);
    return builder.Wait(timeout);
}

ResCheck::Bytes ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return ResCheck::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(ContentBuilder, RegionMapLabelsEnclosedAreasAndMergesSpecks) {
    PrivateHome home;
    // A square and a circle inside it, and a tiny closed loop that only anti-aliasing could fill.
    const std::string svg =
        "<svg xmlns='http://www.w3.org/2000/svg' width='280' height='198' viewBox='0 0 280 198'>"
        "<rect width='280' height='198' fill='#fff'/>"
        "<g fill='none' stroke='#000' stroke-width='7'>"
        "<rect x='40' y='30' width='140' height='140'/><circle cx='110' cy='100' r='35'/>"
        "<circle cx='230' cy='60' r='5' stroke-width='6'/></g></svg>";
    const T::RegionMap map = T::BuildRegionMap(T::RenderSvgText(svg, 280, 198, "test"));
    EXPECT_EQ(map.regions, 3) << "outside, ring between square and circle, inside the circle";
    EXPECT_GE(map.specks, 1);
    auto at = [&](int x, int y) { return map.texels[static_cast<std::size_t>(y) * map.width + x]; };
    const int outside = at(5, 5) >> 4, ring = at(50, 40) >> 4, inner = at(110, 100) >> 4;
    EXPECT_EQ(outside, 1) << "regions are numbered in scan order";
    EXPECT_NE(ring, outside);
    EXPECT_NE(inner, ring);
    EXPECT_NE(inner, 0);
    EXPECT_EQ(at(230, 60) >> 4, 0) << "the speck joins the outline";
    EXPECT_EQ(at(40, 100), 15) << "the middle of a line is region 0 with full coverage";
    EXPECT_EQ(at(5, 5) & 15, 0) << "paper far from any line has no coverage";
    // Across a line's edge the coverage climbs through intermediate values.
    bool partial = false;
    for (int x = 28; x < 40; ++x)
        partial = partial || ((at(x, 100) & 15) > 0 && (at(x, 100) & 15) < 15);
    EXPECT_TRUE(partial);
}

TEST(ContentBuilder, MipLevelsAverageInLinearLightAndIgnoreTransparentColour) {
    PrivateHome home;
    T::Rgba8Image grey;
    grey.width = grey.height = 2;
    grey.pixels = {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
    const auto chain = T::BuildMipChain(grey, true);
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_EQ(chain[1].pixels[0], 188) << "half black, half white is 50 % light, sRGB 188 (not 128)";
    EXPECT_EQ(chain[1].pixels[3], 255);

    T::Rgba8Image edge;
    edge.width = edge.height = 2;
    edge.pixels = {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const auto edgeChain = T::BuildMipChain(edge, true);
    EXPECT_EQ(edgeChain[1].pixels[0], 255) << "transparent texels lend no black";
    EXPECT_EQ(edgeChain[1].pixels[1], 0);
    EXPECT_EQ(edgeChain[1].pixels[3], 64) << "alpha is averaged, not premultiplied into the colour";

    T::Rgba8Image odd;
    odd.width = 3;
    odd.height = 1;
    odd.pixels.assign(3 * 4, 255);
    const auto oddChain = T::BuildMipChain(odd, false);
    ASSERT_EQ(oddChain.size(), 2u) << "3 x 1 goes to 1 x 1";
    EXPECT_EQ(oddChain[1].width, 1);
}

TEST(ContentBuilder, ABrokenDrawingFailsTheBuildNamingTheFile) {
    PrivateHome home;
    TempFolder source, out;
    std::filesystem::create_directories(source.Path() / "art");
    std::ofstream(source.Path() / "art" / "broken.svg") << "<svg xmlns='http://www.w3.org/2000/svg'><rect";
    const std::filesystem::path log = home.Temp() / "builder.log";
    Process builder("/bin/sh", {"-c", std::string(CONTENT_BUILDER) + " --source '" + source.Path().string() +
                                          "' --out '" + out.Path().string() + "' --only pictures 2>'" +
                                          log.string() + "'"});
    const auto rc = builder.Wait(std::chrono::seconds(60));
    ASSERT_TRUE(rc.has_value());
    EXPECT_EQ(*rc, 1);
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("broken.svg"), std::string::npos) << text;
    EXPECT_TRUE(ResCheck::ListResources(out.Path()).empty()) << "nothing is written for a failed picture";
}

TEST(ContentBuilder, PreviewWritesAContactSheet) {
    PrivateHome home;
    TempFolder preview;
    const auto rc = RunBuilder({"--source", kContent.string(), "--preview", preview.Path().string()},
                               std::chrono::seconds(300));
    ASSERT_TRUE(rc.has_value());
    ASSERT_EQ(*rc, 0);
    const auto png = ReadAll(preview.Path() / "contact-sheet.png");
    ASSERT_GT(png.size(), 100000u) << "a sheet with pictures, icons and the font";
    auto be32 = [&](std::size_t at) {
        return (std::uint32_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    };
    EXPECT_EQ(be32(16), 1840u);
    EXPECT_GT(be32(20), 1500u);
}

TEST(ContentBuilder, TwoBuildsGiveIdenticalBytes) {
    PrivateHome home;
    TempFolder a, b;
    for (const auto* folder : {&a, &b}) {
        const auto rc = RunBuilder({"--source", kContent.string(), "--out", folder->Path().string(), "--jobs", "2"},
                                   std::chrono::seconds(800));
        ASSERT_TRUE(rc.has_value());
        ASSERT_EQ(*rc, 0);
    }
    const auto filesA = ResCheck::ListResources(a.Path()), filesB = ResCheck::ListResources(b.Path());
    ASSERT_EQ(filesA, filesB);
    ASSERT_FALSE(filesA.empty());
    for (const auto& rel : filesA)
        EXPECT_TRUE(ReadAll(a.Path() / rel) == ReadAll(b.Path() / rel)) << rel << " differs between two builds";
}

} // namespace
