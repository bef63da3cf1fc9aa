// The two forms in which callers pass and receive names and string data:
// UTF-16 (the W functions) or the ANSI code page (the A functions). The
// database holds UTF-16 only; conversion happens here, at the boundary.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace platform::registry {

// A caller's name argument; null stays distinct from empty.
std::optional<std::u16string> nameArg(const char* name);
std::optional<std::u16string> nameArg(const char16_t* name);

// True for REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ, whose data the A
// functions convert.
bool holdsText(DWORD type) noexcept;

// Data as stored, from what a caller of the given character type passed;
// bytes beyond kMaxValueBytes are ERROR_INVALID_PARAMETER.
template <class Char>
std::vector<BYTE> storedData(DWORD type, std::span<const BYTE> data);
// Stored data as a caller of the given character type receives it. Text
// is converted unit by unit, so a string stored without its NUL comes back
// without one, as on Windows.
template <class Char>
std::vector<BYTE> callerData(DWORD type, std::span<const BYTE> stored);

// A name in the form a caller of the given character type receives it.
template <class Char>
std::basic_string<Char> callerName(std::u16string_view name);

// Copies a name with its NUL into a buffer of *pcch characters; on return
// *pcch is the length without the NUL. A short buffer is ERROR_MORE_DATA
// and leaves *pcch unchanged: callers size buffers from RegQueryInfoKey.
template <class Char>
void copyName(std::u16string_view name, Char* buffer, DWORD* pcch);

// The registry holds small things; larger data is refused rather than
// copied and converted without bound.
inline constexpr std::size_t kMaxValueBytes = 16u << 20;

}  // namespace platform::registry
