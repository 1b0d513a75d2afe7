// Text helpers shared by every subsystem. Wide text is UTF-16 (std::u16string).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Zorva {

// UTF-8 <-> UTF-16; both throw std::bad_cast on malformed input.
std::u16string Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::u16string_view wide);

// Each code unit as exactly four lower-case hexadecimal digits.
std::u16string HexEncodeText(std::u16string_view text);
// The inverse: groups of four characters from the start (the last may be shorter), each read as a
// hexadecimal number the way wcstoul with base 16 reads it, appended as one code unit.
std::u16string HexDecodeText(std::u16string_view hex);

// Lower-cases A-Z code unit by code unit; every other code unit stays.
std::u16string ToLower(std::u16string_view text);

// A number in lower-case hexadecimal with no minimum width ("0x" is not added).
std::u16string ToHex(std::uint64_t value);

} // namespace Zorva
