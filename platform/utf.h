// UTF-8 <-> UTF-16 conversion. Invalid input is reported, never guessed at.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Zorva::Platform {

// Malformed UTF-8 (bad sequences, overlong forms, surrogates, values above U+10FFFF) gives nothing.
std::optional<std::u16string> DecodeUtf8(std::string_view utf8);

// An unpaired surrogate gives nothing.
std::optional<std::string> EncodeUtf8(std::u16string_view utf16);

} // namespace Zorva::Platform
