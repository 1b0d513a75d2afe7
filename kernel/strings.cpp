#include "kernel/strings.h"

#include "platform/utf.h"

#include <typeinfo>

namespace Zorva {

std::u16string Utf8ToWide(std::string_view utf8)
{
    std::optional<std::u16string> wide = Platform::DecodeUtf8(utf8);
    if (!wide)
        throw std::bad_cast();
    return std::move(*wide);
}

std::string WideToUtf8(std::u16string_view wide)
{
    std::optional<std::string> utf8 = Platform::EncodeUtf8(wide);
    if (!utf8)
        throw std::bad_cast();
    return std::move(*utf8);
}

std::u16string HexEncodeText(std::u16string_view text)
{
    static constexpr char16_t digits[] = u"0123456789abcdef";
    std::u16string out;
    out.reserve(text.size() * 4);
    for (char16_t c : text)
        for (int shift = 12; shift >= 0; shift -= 4)
            out.push_back(digits[(c >> shift) & 0xF]);
    return out;
}

namespace {

// wcstoul(group, nullptr, 16): leading white space, an optional sign, an optional "0x", then
// digits up to the first character that is not one; no digits gives 0.
char16_t ReadHexGroup(std::u16string_view g)
{
    size_t i = 0;
    while (i < g.size() && (g[i] == u' ' || (g[i] >= u'\t' && g[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < g.size() && (g[i] == u'+' || g[i] == u'-')) {
        negative = g[i] == u'-';
        ++i;
    }
    auto digit = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    };
    if (i + 1 < g.size() && g[i] == u'0' && (g[i + 1] == u'x' || g[i + 1] == u'X') && i + 2 < g.size() &&
        digit(g[i + 2]) >= 0)
        i += 2;
    unsigned long value = 0;
    for (; i < g.size() && digit(g[i]) >= 0; ++i)
        value = value * 16 + static_cast<unsigned long>(digit(g[i]));
    if (negative)
        value = 0ul - value;
    return static_cast<char16_t>(value & 0xFFFF);
}

} // namespace

std::u16string HexDecodeText(std::u16string_view hex)
{
    std::u16string out;
    out.reserve(hex.size() / 4 + 1);
    for (size_t i = 0; i < hex.size(); i += 4)
        out.push_back(ReadHexGroup(hex.substr(i, 4)));
    return out;
}

std::u16string ToLower(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

std::u16string ToHex(std::uint64_t value)
{
    static constexpr char16_t digits[] = u"0123456789abcdef";
    std::u16string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return out;
}

} // namespace Zorva
