// Texts, languages and the text helpers.
#include "kernel/strings.h"
#include "kernel/text.h"
#include "kernel/version.h"
#include "platform/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <typeinfo>

namespace Zorva {
namespace {

TEST(Hex, EncodeGivesFourLowerCaseDigitsPerCodeUnit)
{
    EXPECT_EQ(HexEncodeText(u"Ab"), u"00410062");
    EXPECT_EQ(HexEncodeText(u"\u00e9"), u"00e9");
    EXPECT_EQ(HexEncodeText(u""), u"");
}

TEST(Hex, DecodeReadsGroupsOfFourLikeWcstoul)
{
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"00410062", u"Ab"},
        {u"00E900e9", u"\u00e9\u00e9"},    // either letter case
        {u"0041062", u"A\u0062"},          // a short last group is one code unit
        {u"004", u"\u0004"},
        {u"zz41", std::u16string(1, u'\0')}, // no digits gives 0
        {u"0x41", u"A"},                   // wcstoul accepts the 0x prefix
        {HexEncodeText(u"Łódź – ёж"), u"Łódź – ёж"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexDecodeText(c.in), c.out) << WideToUtf8(c.in);
}

TEST(Utf, RoundTripAndMalformedInput)
{
    const std::u16string text = u"zażółć gęślą jaźń Ёё 🖍";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_THROW(Utf8ToWide("\xC3"), std::bad_cast);
    EXPECT_THROW(Utf8ToWide("\xC0\xAF"), std::bad_cast); // overlong
    EXPECT_THROW(Utf8ToWide("\xED\xA0\x80"), std::bad_cast); // surrogate
    EXPECT_THROW(WideToUtf8(std::u16string(1, u'\xD800')), std::bad_cast);
    EXPECT_EQ(WideToUtf8(u""), "");
}

TEST(Text, SlotsFollowTheLanguage)
{
    EXPECT_EQ(SelectText(Texts::TextColouringPage, LangAmerican), u"Coloring Page");
    EXPECT_EQ(SelectText(Texts::TextColouringPage, 0x0c09), u"Coloring Page"); // English (Australia)
    EXPECT_EQ(SelectText(Texts::TextColouringPage, 0x0407), u"Coloring Page"); // German
    EXPECT_EQ(SelectText(Texts::TextColouringPage, LangBritish), u"Colouring Page");
    EXPECT_EQ(SelectText(Texts::TextWelcome, LangAmerican), u"Welcome");
    EXPECT_EQ(SelectText(Texts::TextWait, LangPolish), u"Czekaj");
    EXPECT_EQ(SelectText(Texts::TextWait, LangRussian), u"Загрузка");
    EXPECT_EQ(SelectText(Texts::LanguageFolder, LangBritish), u"en-GB");
    EXPECT_EQ(SelectText(Texts::LanguageFolder, 0x0407), u"en");
    EXPECT_EQ(SelectText(Texts::TextProductTitle, LangRussian), u"Glimmerpen");
}

TEST(Text, JoinedMessagesJoinSlotBySlot)
{
    EXPECT_EQ(SelectText(Texts::MsgFileDamagedReinstall, LangPolish),
              u"Plik jest uszkodzony.\nProszę ponownie zainstalować aplikację.");
    EXPECT_EQ(SelectText(Texts::MsgSoundCardUpdateDriver, LangAmerican),
              u"The sound card or its driver do not meet minimal software requirements.\nPlease update your device driver.");
    EXPECT_EQ(SelectText(Texts::TextCreditTesters, LangBritish).substr(0, 19), u"Tested by children\n");
}

TEST(Text, EveryTextHasAllFourSlots)
{
    using namespace Texts;
    const LocalizedText* all[] = {
        &MsgUnexpectedError, &MsgDataDisk, &MsgFileNotFoundReinstall, &MsgFileDamagedReinstall,
        &MsgSoundCardUpdateDriver, &Msg3DSubsystem, &MsgEmptyValue, &MsgInvalidCall, &MsgNotInitialized,
        &MsgDatabaseMalformed, &MsgCannotConvert, &MsgComInitFailed, &TextAgeNote, &TextWelcome,
        &TextConfiguration, &TextAboutAuthors, &TextAboutApplication, &TextVersionLabel, &TextRightsReserved,
        &TextEfficiency, &TextMedium, &TextQuality, &TextAvailablePrinting, &TextLeaveApplication,
        &TextAvailableSettings, &TextColouringPage, &TextColours, &TextOthers, &TextWait, &TextPrinting,
        &TextProductTitle, &TextProductFullTitle, &TextCreditTesters, &TextCreditPictures, &TextCreditReview,
        &TextCreditTranslation, &TextCreditMusic, &TextCreditManager, &TextCreditLegal,
    };
    for (const LocalizedText* t : all)
        for (const std::u16string& slot : t->slots)
            EXPECT_FALSE(slot.empty()) << WideToUtf8(t->slots[2]);
}

TEST(Locale, LanguageFromTheEnvironment)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        std::uint16_t id;
    } cases[] = {
        {"", "", "pl_PL.UTF-8", LangPolish},      {"", "", "ru_RU.UTF-8", LangRussian},
        {"", "", "en_GB.UTF-8", LangBritish},     {"", "", "en_US.UTF-8", LangAmerican},
        {"", "", "en_AU.UTF-8", LangAmerican},    {"", "", "de_DE.UTF-8", LangAmerican},
        {"", "", "C.UTF-8", LangAmerican},        {"ru_RU", "pl_PL", "en_GB", LangRussian},
        {"", "pl_PL.UTF-8", "en_GB.UTF-8", LangPolish},
    };
    for (const Case& c : cases) {
        ::setenv("LC_ALL", c.lcAll, 1);
        ::setenv("LC_MESSAGES", c.lcMessages, 1);
        ::setenv("LANG", c.lang, 1);
        EXPECT_EQ(Platform::UserLanguageId(), c.id) << c.lang;
    }
}

TEST(Version, TextNamesTheBuildAndThePlatform)
{
    const auto [legal, version] = ReadVersionInfo();
    EXPECT_NE(legal.find(u"Glimmerpen"), std::u16string::npos);
    EXPECT_TRUE(version.starts_with(u"1.6.0.0.64bit.Linux")) << WideToUtf8(version);
    EXPECT_TRUE(version.ends_with(u"-Zorva(n) 3.12"));
}

} // namespace
} // namespace Zorva
