// The renderer's pure parts: the DDS reader, the welding vertex builder, the text layout and the
// virtual screen scale.
#include "kernel/font_metrics.h"
#include "renderer/dds.h"
#include "renderer/gl.h"
#include "renderer/resources.h"
#include "renderer/scene.h"
#include "renderer/text.h"
#include "tests/renderer/dds_builder.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Zorva::Renderer {
namespace {

// No test here touches the user's files; the private home makes sure.
const Testing::PrivateHome g_home;

using Testing::DdsSpec;
using Testing::MakeDds;

TEST(DdsReader, AcceptsTheFormatsTheContentUses)
{
    struct Case {
        const char* what;
        DdsSpec format;
        size_t bytes;
        std::uint32_t internalFormat;
        std::uint32_t images;
    };
    DdsSpec srgb{256, 128, 9, 29};
    DdsSpec font{64, 64, 7, 28};
    DdsSpec regions{1400, 990, 1, 57};
    DdsSpec legacyRgba{8, 8, 1, 0, 0, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000u}};
    DdsSpec legacyBgr{8, 8, 1, 0, 0, 24, {0xFF0000, 0xFF00, 0xFF, 0}};
    DdsSpec dxt1{16, 16, 5, 0, 0x31545844 /* DXT1 */};
    DdsSpec dxt5{16, 16, 1, 0, 0x35545844 /* DXT5 */};
    DdsSpec bc3Dx10{8, 8, 4, 78};
    const Case cases[] = {
        // Full chain 256x128: 256*128 + 128*64 + ... + 1*1 texels of 4 bytes.
        {"sRGB with mips", srgb, 4 * (32768 + 8192 + 2048 + 512 + 128 + 32 + 8 + 2 + 1), GL_SRGB8_ALPHA8, 9},
        {"font atlas", font, 4 * (4096 + 1024 + 256 + 64 + 16 + 4 + 1), GL_RGBA8, 7},
        {"region map", regions, 1400 * 990 * 2, GL_R16UI, 1},
        {"legacy RGBA", legacyRgba, 8 * 8 * 4, GL_RGBA8, 1},
        {"legacy BGR", legacyBgr, 8 * 8 * 3, GL_RGB8, 1},
        {"DXT1", dxt1, 8 * (16 + 4 + 1 + 1 + 1), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 5},
        {"DXT5", dxt5, 16 * 16, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 1},
        {"BC3 sRGB", bc3Dx10, 16 * (4 + 1 + 1 + 1), GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto file = MakeDds(c.format, std::vector<std::uint8_t>(c.bytes, 7));
        TextureData data;
        ASSERT_EQ(ReadDds(file.data(), file.size(), data), S_OK);
        EXPECT_EQ(data.internalFormat, c.internalFormat);
        EXPECT_EQ(data.images.size(), c.images);
        EXPECT_EQ(data.bytes.size(), c.bytes);
        EXPECT_EQ(data.width, c.format.width);
    }
}

TEST(DdsReader, RegionMapPixelsStartAtByte148AndReadAsIntegers)
{
    std::vector<std::uint8_t> pixels(4 * 2 * 2);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i + 1);
    const auto file = MakeDds({4, 2, 1, 57}, pixels);
    TextureData data;
    ASSERT_EQ(ReadDds(file.data(), file.size(), data), S_OK);
    EXPECT_TRUE(data.integer);
    EXPECT_EQ(data.format, static_cast<std::uint32_t>(GL_RED_INTEGER));
    ASSERT_EQ(data.bytes.size(), pixels.size());
    EXPECT_EQ(data.bytes.front(), file[148]);
}

TEST(DdsReader, RefusesDamagedFilesWithTheirCodes)
{
    const auto good = MakeDds({4, 4, 1, 28}, std::vector<std::uint8_t>(64));
    auto wrongMagic = good;
    wrongMagic[0] = 'X';
    auto wrongHeaderSize = good;
    Testing::PutU32(wrongHeaderSize, 4, 100);
    auto wrongPixelFormatSize = good;
    Testing::PutU32(wrongPixelFormatSize, 76, 31);
    const std::vector<std::uint8_t> shortDx10(good.begin(), good.begin() + 140);
    const std::vector<std::uint8_t> truncated(good.begin(), good.end() - 1);
    auto unknownFormat = good;
    Testing::PutU32(unknownFormat, 128, 999);
    auto badDimension = good;
    Testing::PutU32(badDimension, 132, 9);
    auto tooManyMips = MakeDds({4, 4, 16, 28}, std::vector<std::uint8_t>(1024));
    auto tooLarge = MakeDds({20000, 1, 1, 28}, std::vector<std::uint8_t>(80000));
    auto chainTooLong = MakeDds({4, 4, 4, 28}, std::vector<std::uint8_t>(1024));
    struct Case {
        const char* what;
        const std::vector<std::uint8_t>* file;
        HRESULT code;
    } cases[] = {
        {"wrong magic", &wrongMagic, E_FAIL},
        {"wrong header size", &wrongHeaderSize, E_FAIL},
        {"wrong pixel format size", &wrongPixelFormatSize, E_FAIL},
        {"DX10 header shorter than 148 bytes", &shortDx10, E_FAIL},
        {"pixels missing", &truncated, kErrorInvalidData},
        {"unknown format", &unknownFormat, kErrorNotSupported},
        {"bad dimension", &badDimension, kErrorInvalidData},
        {"more than 15 mips", &tooManyMips, kErrorNotSupported},
        {"wider than 16384", &tooLarge, kErrorNotSupported},
        {"more mips than the size has", &chainTooLong, kErrorInvalidData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextureData data;
        EXPECT_EQ(ReadDds(c.file->data(), c.file->size(), data), c.code);
    }
    TextureData data;
    EXPECT_EQ(ReadDds(good.data(), 127, data), E_FAIL);
}

TEST(VertexBuilder, WeldsEqualVerticesAndKeepsOrder)
{
    CVertices<VERTEXPANE> v;
    const VERTEXPANE a{0, 0, 0, 0, 0}, b{1, 0, 0, 1, 0}, c{1, 1, 0, 1, 1}, d{0, 1, 0, 0, 1};
    v.AddTriangle(a, b, c);
    v.AddTriangle(a, c, d);
    EXPECT_EQ(v.vertices.size(), 4u);
    EXPECT_EQ(v.indices, (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 3}));
    // The hash adds byte i plus 3 i into hash byte i mod 8.
    struct Two {
        std::uint8_t x[9];
    };
    Two t{{1, 2, 3, 4, 5, 6, 7, 8, 9}};
    const std::uint64_t h = CVertices<Two>::Hash(t);
    EXPECT_EQ(h & 0xFF, static_cast<std::uint64_t>((1 + 0) + (9 + 24)));
    EXPECT_EQ((h >> 8) & 0xFF, static_cast<std::uint64_t>(2 + 3));
}

class TextLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        font.lineHeight = 0.1f;
        Kernel::Glyph a;
        a.rect[0] = 0.1f; // y
        a.rect[1] = 0.2f; // x
        a.rect[2] = 0.05f;
        a.rect[3] = 0.08f;
        a.offset[0] = 0.01f;
        a.offset[1] = 0.02f;
        a.advance = 0.06f;
        a.kernings[u'B'] = -0.01f;
        font.glyphs[u'A'] = a;
        Kernel::Glyph b = a;
        b.kernings.clear();
        b.advance = 0.04f;
        font.glyphs[u'B'] = b;
    }
    // The left edge (scene x) of the n-th quad.
    float QuadX(size_t n) const { return collection.vertices[collection.indices[n * 6]].position[0]; }
    float QuadY(size_t n) const { return collection.vertices[collection.indices[n * 6]].position[1]; }

    Kernel::CFontMetrics font;
    CVertices<VERTEXFONT> collection;
};

TEST_F(TextLayout, PlacesGlyphsWithAdvanceAndKerning)
{
    GUI::LayoutText(collection, font, 2.0f, {1, 0, 0, 1}, 0.5f, 0.1f, u"ABA");
    ASSERT_EQ(collection.indices.size(), 18u);
    // X0 = -(pen) - s * xoffset; the pen moves by (advance + kerning) * s.
    EXPECT_FLOAT_EQ(QuadX(0), -0.1f - 2 * 0.02f);
    EXPECT_FLOAT_EQ(QuadX(1), -(0.1f + (0.06f - 0.01f) * 2) - 2 * 0.02f);
    // "BA" has no pair: plain advance of B.
    EXPECT_FLOAT_EQ(QuadX(2), -(0.1f + 0.05f * 2 + 0.04f * 2) - 2 * 0.02f);
    EXPECT_FLOAT_EQ(QuadY(0), (0.5f - 2 * 0.01f) * 0.5625f);
    const VERTEXFONT& first = collection.vertices[collection.indices[0]];
    EXPECT_FLOAT_EQ(first.position[2], 0.2f); // u = the glyph's x
    EXPECT_FLOAT_EQ(first.position[3], 0.1f); // v = the glyph's y
    EXPECT_FLOAT_EQ(first.colour[0], 1.0f);
}

TEST_F(TextLayout, LineFeedsReturnToTheStartColumnAndUnknownCharactersAreSkipped)
{
    GUI::LayoutText(collection, font, 1.0f, {1, 1, 1, 1}, 0.0f, 0.3f, u"A\u20ACB\nA\n");
    ASSERT_EQ(collection.indices.size(), 18u); // A, B, A: the euro sign has no glyph
    EXPECT_FLOAT_EQ(QuadX(2), QuadX(0));
    EXPECT_FLOAT_EQ(QuadY(2), QuadY(0) - 0.1f * 1.02f * 0.5625f);
    // The same position twice overlaps exactly and welds.
    CVertices<VERTEXFONT> twice;
    GUI::LayoutText(twice, font, 1.0f, {1, 1, 1, 1}, 0.0f, 0.3f, u"A");
    GUI::LayoutText(twice, font, 1.0f, {1, 1, 1, 1}, 0.0f, 0.3f, u"A");
    EXPECT_EQ(twice.vertices.size(), 4u);
    EXPECT_EQ(twice.indices.size(), 12u);
}

TEST(ScreenScale, FitsTheVirtualScreenToAnyShape)
{
    const float t = 2.0f * std::tan(3.14159265f / 8.0f);
    struct Case {
        int w, h;
        float s, sy;
    } cases[] = {
        {1920, 1080, t * 16.0f / 9.0f, t},
        {1024, 768, t * 4.0f / 3.0f, t},
        {2520, 1080, t * 16.0f / 9.0f, t * 16.0f / 9.0f * 1080.0f / 2520.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w);
        ResizeView(c.w, c.h);
        EXPECT_NEAR(View().s, c.s, 1e-4);
        EXPECT_NEAR(View().sy, c.sy, 1e-4);
        EXPECT_FLOAT_EQ(View().tiling[0], c.w / 256.0f);
        EXPECT_FLOAT_EQ(View().tiling[1], c.h / 256.0f);
    }
}

} // namespace
} // namespace Zorva::Renderer
