// Result codes. Failures travel as 32-bit HRESULT-style codes: negative means failure.
#pragma once

#include <cstdint>

namespace Zorva {

using HRESULT = std::int32_t;

constexpr HRESULT MakeCode(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = MakeCode(0x80004005u);
inline constexpr HRESULT E_ABORT = MakeCode(0x80004004u);
inline constexpr HRESULT E_NOTIMPL = MakeCode(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeCode(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeCode(0x80004003u);
inline constexpr HRESULT E_UNEXPECTED = MakeCode(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = MakeCode(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeCode(0x80070057u);
inline constexpr HRESULT E_ACCESSDENIED = MakeCode(0x80070005u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeCode(0x80040154u);

constexpr bool Failed(HRESULT hr) { return hr < 0; }
constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }

// A system error number folded into a code: positive values become 0x8007xxxx, 0 and negative
// values pass unchanged. errno values are folded the same way.
constexpr HRESULT FoldSystemError(long error)
{
    return error > 0 ? MakeCode(0x80070000u | (static_cast<std::uint32_t>(error) & 0xFFFFu))
                     : static_cast<HRESULT>(error);
}

} // namespace Zorva
