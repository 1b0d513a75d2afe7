#include "file/database.h"

#include "file_test_support.h"
#include "kernel/text.h"
#include "kernel_fixture.h"

#include <gtest/gtest.h>

namespace Zorva::Testing {
namespace {

void ReadDatabase(const std::string& text)
{
    File::CBookDatabaseReader reader(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

const char* kFont = "<?xml version=\"1.0\"?><font><info face=\"x\"/>"
                    "<common lineHeight=\"32\" base=\"26\" scaleW=\"256\" scaleH=\"128\"/>"
                    "<chars count=\"3\">"
                    "<char id=\"65601\" x=\"64\" y=\"32\" width=\"16\" height=\"8\" xoffset=\"2\" yoffset=\"4\" xadvance=\"18\"/>"
                    "<char id=\"65\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" xoffset=\"0\" yoffset=\"0\" xadvance=\"1\"/>"
                    "<other id=\"66\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" xoffset=\"0\" yoffset=\"0\" xadvance=\"1\"/>"
                    "</chars><kernings count=\"3\">"
                    "<kerning first=\"65\" second=\"66\" amount=\"-2\"/>"
                    "<kerning first=\"65\" second=\"66\" amount=\"-8\"/>"
                    "<kerning first=\"90\" second=\"65\" amount=\"1\"/>"
                    "</kernings></font>";

TEST(FontDatabase, MetricsGlyphsAndKernings)
{
    PrivateHome home;
    FileKernel k;
    ReadDatabase(kFont);
    const Kernel::CFontMetrics& font = k.Font();
    EXPECT_EQ(font.invScaleW, 0.00390625f);
    EXPECT_EQ(font.invScaleH, 0.0078125f);
    EXPECT_EQ(font.lineHeight, 0.25f);
    ASSERT_EQ(font.glyphs.size(), 2u); // 65601 is stored as 65, and the later 65 is dropped
    const Kernel::Glyph& a = font.glyphs.at(65);
    EXPECT_EQ(a.rect[0], 0.25f);
    EXPECT_EQ(a.rect[1], 0.25f);
    EXPECT_EQ(a.rect[2], 0.0625f);
    EXPECT_EQ(a.rect[3], 0.0625f);
    EXPECT_EQ(a.offset[0], 0.03125f);
    EXPECT_EQ(a.offset[1], 0.0078125f);
    EXPECT_EQ(a.advance, 0.0703125f);
    ASSERT_EQ(a.kernings.size(), 1u);
    EXPECT_EQ(a.kernings.at(66), -2.0f / 256.0f); // the first amount of a pair stays
    EXPECT_TRUE(font.glyphs.at(66).kernings.empty());
}

TEST(FontDatabase, AMalformedNumberFailsAndKeepsWhatCameBefore)
{
    PrivateHome home;
    FileKernel k;
    const std::string doc = "<f><common lineHeight=\"32\" scaleW=\"256\" scaleH=\"128\"/><chars count=\"99999999999\">"
                            "<char id=\"65\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" xoffset=\"0\" yoffset=\"0\" xadvance=\"1\"/>"
                            "<char id=\"66\" x=\"zero\" y=\"0\" width=\"1\" height=\"1\" xoffset=\"0\" yoffset=\"0\" xadvance=\"1\"/>"
                            "</chars></f>";
    try {
        ReadDatabase(doc);
        ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid stof argument");
    }
    EXPECT_EQ(k.Font().glyphs.size(), 1u);
    // A missing attribute reads as no digits at all.
    EXPECT_THROW(ReadDatabase("<f><common scaleW=\"1\" scaleH=\"1\"/></f>"), std::invalid_argument);
}

TEST(LanguageDatabase, LangChoosesPolishRussianOrBritish)
{
    PrivateHome home;
    FileKernel k;
    const std::pair<const char*, std::uint16_t> cases[] = {
        {"pl", LangPolish}, {"ru", LangRussian}, {"de", LangBritish}, {"en", LangBritish}, {"PL", LangBritish}};
    for (const auto& [lang, id] : cases) {
        LanguageId.store(LangAmerican);
        ReadDatabase(std::string("<Zorva version=\"1.0\"><I18N lang=\"") + lang + "\"/></Zorva>");
        EXPECT_EQ(LanguageId.load(), id) << lang;
    }
    // Other elements change nothing.
    LanguageId.store(LangAmerican);
    ReadDatabase("<Zorva><i18n lang=\"pl\"/><Common scaleW=\"2\" scaleH=\"2\" lineHeight=\"2\"/></Zorva>");
    EXPECT_EQ(LanguageId.load(), LangAmerican);
    EXPECT_EQ(k.Font().invScaleW, 0.0f);
}

TEST(ArtDatabase, ColoursAreRestoredByIndexWhateverTheTagAndPrefix)
{
    PrivateHome home;
    FileKernel k;
    k.Store().AddPicture(u"cat", File::ArtRecord());
    ReadDatabase("<Zorva version=\"1.0\"><Art name=\"cat\">"
                 "<Col name=\"x17\" r=\"0.501961\" g=\"0.25\" b=\"0\"/>"
                 "<Other name=\"y12\" r=\"1\" g=\"0\" b=\"0\"/>"
                 "<Col name=\"x0\" r=\"0.5\" g=\"0.5\" b=\"0.5\"/>"
                 "<Col name=\"x4096\" r=\"0\" g=\"0\" b=\"0\"/>"
                 "<Col name=\"x99999999999999999999\" r=\"0\" g=\"0\" b=\"0\"/>"
                 "</Art><Art name=\"dog\"><Col name=\"x1\" r=\"0\" g=\"0\" b=\"0\"/></Art></Zorva>");
    const auto& colours = k.Store().FindPicture(u"cat")->second.colours;
    EXPECT_FLOAT_EQ(colours[17].r, 0.501961f);
    EXPECT_FLOAT_EQ(colours[17].g, 0.25f);
    EXPECT_EQ(colours[17].a, 1.0f);
    EXPECT_EQ(colours[12].r, 1.0f);
    EXPECT_EQ(colours[12].g, 0.0f);
    EXPECT_EQ(colours[0].r, 0.5f);
    EXPECT_TRUE(colours[4095].IsOpaqueWhite());
    EXPECT_EQ(k.Store().pictures.size(), 1u);
}

TEST(ArtDatabase, AColWithoutNameIsAnError)
{
    PrivateHome home;
    FileKernel k;
    k.Store().AddPicture(u"cat", File::ArtRecord());
    try {
        ReadDatabase("<Zorva><Art name=\"cat\"><Col name=\"x3\" r=\"0\" g=\"0\" b=\"0\"/><Col r=\"0\"/></Art></Zorva>");
        ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid string position");
    }
    EXPECT_EQ(k.Store().FindPicture(u"cat")->second.colours[3].r, 0.0f);
}

} // namespace
} // namespace Zorva::Testing
