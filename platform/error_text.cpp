#include "platform/error_text.h"

#include <cstring>

namespace Zorva::Platform {
namespace {

struct KnownCode {
    std::uint32_t code;
    const char* english;
    const char* polish;
    const char* russian;
};

constexpr KnownCode kKnown[] = {
    {0x80004001u, "Not implemented.", "Nie zaimplementowano.", "Не реализовано."},
    {0x80004002u, "No such interface supported.", "Nie obsługiwany interfejs.", "Интерфейс не поддерживается."},
    {0x80004003u, "Invalid pointer.", "Nieprawidłowy wskaźnik.", "Недопустимый указатель."},
    {0x80004004u, "Operation aborted.", "Operacja przerwana.", "Операция прервана."},
    {0x80004005u, "Unspecified error.", "Nieokreślony błąd.", "Неопознанная ошибка."},
    {0x8000FFFFu, "Catastrophic failure.", "Błąd katastrofalny.", "Разрушительный сбой."},
    {0x80040154u, "Class not registered.", "Klasa nie zarejestrowana.", "Класс не зарегистрирован."},
};

} // namespace

std::string SystemErrorText(HRESULT code, std::uint16_t languageId)
{
    const auto bits = static_cast<std::uint32_t>(code);
    for (const KnownCode& k : kKnown) {
        if (k.code == bits) {
            if (languageId == 0x0415)
                return k.polish;
            if (languageId == 0x0419)
                return k.russian;
            return k.english;
        }
    }
    if ((bits & 0xFFFF0000u) == 0x80070000u) {
        const int error = static_cast<int>(bits & 0xFFFFu);
        char buffer[256];
        const char* text = ::strerror_r(error, buffer, sizeof buffer);
        if (text == nullptr || std::strncmp(text, "Unknown error", 13) == 0)
            return {};
        std::string s(text);
        s.push_back('.');
        return s;
    }
    return {};
}

} // namespace Zorva::Platform
