#include "kernel/text.h"

#include "platform/locale.h"

namespace Zorva {

std::atomic<std::uint16_t> LanguageId{Platform::UserLanguageId()};

LocalizedText LocalizedText::Make(std::u16string american, std::u16string british, std::u16string polish,
                                  std::u16string russian)
{
    LocalizedText t;
    t.slots[3] = american.empty() ? british : std::move(american);
    t.slots[0] = std::move(polish);
    t.slots[1] = std::move(russian);
    t.slots[2] = std::move(british);
    return t;
}

LocalizedText LocalizedText::Same(const std::u16string& all)
{
    return LocalizedText{{all, all, all, all}};
}

const std::u16string& SelectText(const LocalizedText& text, std::uint16_t language)
{
    switch (language) {
    case LangPolish:
        return text.slots[0];
    case LangRussian:
        return text.slots[1];
    case LangBritish:
        return text.slots[2];
    default:
        return text.slots[3];
    }
}

const std::u16string& SelectText(const LocalizedText& text)
{
    return SelectText(text, LanguageId.load());
}

LocalizedText JoinText(const LocalizedText& first, const LocalizedText& second)
{
    LocalizedText t;
    for (size_t i = 0; i < t.slots.size(); ++i)
        t.slots[i] = first.slots[i] + second.slots[i];
    return t;
}

namespace Texts {
namespace {

LocalizedText TeamName()
{
    return LocalizedText::Same(u"\nThe Glimmerpen team");
}

// The testers' credit has four name lines.
LocalizedText TesterNames()
{
    return JoinText(TeamName(),
                    LocalizedText::Make(u"", u"\nthe children of our families\nthe children of our friends\nthe children of our neighbours",
                                        u"\ndzieci z naszych rodzin\ndzieci naszych przyjaciół\ndzieci naszych sąsiadów",
                                        u"\nдети из наших семей\nдети наших друзей\nдети наших соседей"));
}

LocalizedText WithNames(const LocalizedText& role, const LocalizedText& names)
{
    return JoinText(role, names);
}

} // namespace

const LocalizedText MsgUnexpectedError = LocalizedText::Make(u"", u"An unexpected error has occurred", u"Wystąpił nieprzewidziany błąd", u"Непредвиденная ошибка");
const LocalizedText MsgDataDisk = LocalizedText::Make(u"Failure accessing the data disk.", u"Failure to access the data disk.", u"Błąd dostępu do danych dyskowych.", u"Отсутствие доступа к данным диска.");
const LocalizedText MsgFileNotFound = LocalizedText::Make(u"", u"File not found.", u"Nie znaleziono pliku.", u"Файл не найден.");
const LocalizedText MsgFileDamaged = LocalizedText::Make(u"", u"The file is damaged.", u"Plik jest uszkodzony.", u"Файл поврежден.");
const LocalizedText MsgReinstall = LocalizedText::Make(u"", u"\nPlease re-install the program.", u"\nProszę ponownie zainstalować aplikację.", u"\nПожалуйста, переустановите программу.");
const LocalizedText MsgSoundCard = LocalizedText::Make(u"The sound card or its driver do not meet minimal software requirements.", u"Sound card or its driver do not meet minimal software requirements.", u"Karta dźwiękowa lub jej sterowniki nie spełniają minimalnych wymagań.", u"Звуковая карта или драйвер не отвечает минимальным требованиям.");
const LocalizedText MsgUpdateDriver = LocalizedText::Make(u"", u"\nPlease update your device driver.", u"\nProszę zaktualizować sterownik urządzenia.", u"\nОбновите свой драйвер устройства.");
const LocalizedText MsgFileNotFoundReinstall = JoinText(MsgFileNotFound, MsgReinstall);
const LocalizedText MsgFileDamagedReinstall = JoinText(MsgFileDamaged, MsgReinstall);
const LocalizedText MsgSoundCardUpdateDriver = JoinText(MsgSoundCard, MsgUpdateDriver);
const LocalizedText Msg3DSubsystem = LocalizedText::Make(u"", u"3D Subsystem Exception.\n", u"Wyjątek podsystemu 3D.", u"Отключение 3D подсистемы.");
const LocalizedText MsgEmptyValue = LocalizedText::Same(u"Empty value error");
const LocalizedText MsgInvalidCall = LocalizedText::Same(u"Invalid call error");
const LocalizedText MsgNotInitialized = LocalizedText::Same(u"An object not initialized.");
const LocalizedText MsgDatabaseMalformed = LocalizedText::Same(u"Database file is malformed");
const LocalizedText MsgCannotConvert = LocalizedText::Same(u"Can not convert an object, incorrect action");
const LocalizedText MsgComInitFailed = LocalizedText::Same(u"The COM initialization failed");
const LocalizedText TextAgeNote = LocalizedText::Make(u"Application for children aged 3 and above", u"Application for children age 3 and above", u"Aplikacja dla dzieci w wieku od lat trzech.", u"Программа для детей от 3 - х лет");
const LocalizedText TextWelcome = LocalizedText::Make(u"", u"Welcome", u"Serdecznie witamy", u"Сердечно приветствуем");
const LocalizedText TextConfiguration = LocalizedText::Make(u"", u"Configuration", u"Konfiguracja", u"Конфигурация");
const LocalizedText TextAboutAuthors = LocalizedText::Make(u"", u"About the Authors", u"O autorach", u"Об авторах");
const LocalizedText TextAboutApplication = LocalizedText::Make(u"", u"About the application", u"O programie", u"О программе");
const LocalizedText TextVersionLabel = LocalizedText::Make(u"", u"The application's version:\n", u"Wersja aplikacji:\n", u"Версия программы:\n");
const LocalizedText TextRightsReserved = LocalizedText::Make(u"", u"All Rights Reserved", u"Wszelkie prawa zastrzeżone", u"Все права защищены");
const LocalizedText TextEfficiency = LocalizedText::Make(u"", u"Efficiency", u"Wydajność", u"Эффективность");
const LocalizedText TextMedium = LocalizedText::Make(u"", u"Medium", u"Złoty Środek", u"Средний");
const LocalizedText TextQuality = LocalizedText::Make(u"", u"Quality", u"Jakość", u"Качество");
const LocalizedText TextAvailablePrinting = LocalizedText::Make(u"", u"Available printing", u"Drukowanie Dostępne", u"Доступная печать");
const LocalizedText TextLeaveApplication = LocalizedText::Make(u"", u"Leave the application", u"Wyjście z Programu", u"Выход");
const LocalizedText TextAvailableSettings = LocalizedText::Make(u"", u"Available Settings", u"Ustawienia Dostępne", u"Настройки");
const LocalizedText TextColouringPage = LocalizedText::Make(u"Coloring Page", u"Colouring Page", u"Kolorowanka", u"Раскраска");
const LocalizedText TextColours = LocalizedText::Make(u"Colors", u"Colours", u"Kolory", u"Краски");
const LocalizedText TextOthers = LocalizedText::Make(u"", u"Others", u"Inne", u"Прочие");
const LocalizedText TextWait = LocalizedText::Make(u"", u"Wait", u"Czekaj", u"Загрузка");
const LocalizedText TextPrinting = LocalizedText::Make(u"", u"Printing", u"Drukowanie.", u"Печать");
const LocalizedText TextProductTitle = LocalizedText::Same(u"Glimmerpen");
const LocalizedText TextProductFullTitle = LocalizedText::Make(u"Glimmerpen Coloring Book", u"Glimmerpen Colouring Book",
                                                               u"Glimmerpen – kolorowanka dla dzieci",
                                                               u"Glimmerpen – раскраска для детей");

const LocalizedText TextCreditTesters = WithNames(LocalizedText::Make(u"", u"Tested by children", u"Dzieci testujące", u"Бета - тестеры"), TesterNames());
const LocalizedText TextCreditPictures = WithNames(LocalizedText::Make(u"", u"Pictures", u"Rysunki", u"Художник"), TeamName());
const LocalizedText TextCreditReview = WithNames(LocalizedText::Make(u"", u"Professional review", u"Wskazówki merytoryczne", u"Помощь и консультирование"), TeamName());
const LocalizedText TextCreditTranslation = WithNames(LocalizedText::Make(u"", u"English Translation", u"Angielskie tłumaczenie", u"Перевод на английский"), TeamName());
const LocalizedText TextCreditMusic = WithNames(LocalizedText::Make(u"Music, narration and Russian translation", u"Music, lector and Russian translation", u"Muzyka, lektor i rosyjskie tłumaczenie", u"Музыка, звук и перевод на русский"), TeamName());
const LocalizedText TextCreditManager = WithNames(LocalizedText::Make(u"", u"Project and development Manager", u"Menadżer projektu i oprogramowanie", u"Автор и программист"), TeamName());
const LocalizedText TextCreditLegal = WithNames(LocalizedText::Make(u"", u"Legal support", u"Wsparcie prawne", u"Юридическое сопровождение"), TeamName());

const LocalizedText LanguageFolder = LocalizedText::Make(u"en", u"en-GB", u"pl", u"ru");

} // namespace Texts
} // namespace Zorva
