// The four-language texts of the program and the current language.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace Zorva {

inline constexpr std::uint16_t LangPolish = 0x0415;
inline constexpr std::uint16_t LangRussian = 0x0419;
inline constexpr std::uint16_t LangBritish = 0x0809;
inline constexpr std::uint16_t LangAmerican = 0x0409;

// The current language: chosen from the user's locale before main runs, changed once more by the
// content database while resources load.
extern std::atomic<std::uint16_t> LanguageId;

// Four slots: Polish, Russian, British English, default (American wording where one exists).
struct LocalizedText {
    std::array<std::u16string, 4> slots;

    // Defined by its American, British, Polish and Russian wording; an empty American wording
    // puts the British one in the default slot.
    static LocalizedText Make(std::u16string american, std::u16string british, std::u16string polish,
                              std::u16string russian);
    static LocalizedText Same(const std::u16string& all);
};

const std::u16string& SelectText(const LocalizedText& text, std::uint16_t language);
// The slot for the current language.
const std::u16string& SelectText(const LocalizedText& text);
LocalizedText JoinText(const LocalizedText& first, const LocalizedText& second);

namespace Texts {

// Error messages.
extern const LocalizedText MsgUnexpectedError, MsgDataDisk, MsgFileNotFound, MsgFileDamaged, MsgReinstall,
    MsgSoundCard, MsgUpdateDriver, MsgFileNotFoundReinstall, MsgFileDamagedReinstall, MsgSoundCardUpdateDriver,
    Msg3DSubsystem, MsgEmptyValue, MsgInvalidCall, MsgNotInitialized, MsgDatabaseMalformed, MsgCannotConvert,
    MsgComInitFailed;

// Texts shown by the pages.
extern const LocalizedText TextAgeNote, TextWelcome, TextConfiguration, TextAboutAuthors, TextAboutApplication,
    TextVersionLabel, TextRightsReserved, TextEfficiency, TextMedium, TextQuality, TextAvailablePrinting,
    TextLeaveApplication, TextAvailableSettings, TextColouringPage, TextColours, TextOthers, TextWait, TextPrinting,
    TextProductTitle, TextProductFullTitle;

// Credits: a role line, a line break, then the credited names one per line.
extern const LocalizedText TextCreditTesters, TextCreditPictures, TextCreditReview, TextCreditTranslation,
    TextCreditMusic, TextCreditManager, TextCreditLegal;

// The language sub-folder of the streamed resources: "pl", "ru", "en-GB", default "en".
extern const LocalizedText LanguageFolder;

} // namespace Texts
} // namespace Zorva
