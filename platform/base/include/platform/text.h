// C++ forms of the conversions for code inside the layer and the system:
// std::u16string for wide text, std::string for narrow text in a named page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "win32/text.h"

namespace platform::text {

// Lossless for the single-byte pages; UTF-8 input that is not valid becomes
// U+FFFD per bad sequence, as Windows does without MB_ERR_INVALID_CHARS.
std::u16string toWide(std::string_view narrow, UINT codePage = CP_ACP);
// Characters the page lacks become "?", as Windows does by default.
std::string toNarrow(std::u16string_view wide, UINT codePage = CP_ACP);
// The text in the page only when it arrives whole: nothing when the page
// lacks one of its characters, the text holds a lone surrogate or the page
// is unknown. For texts whose meaning a "?" would change (names, OIDs,
// values that get signed).
std::optional<std::string> toNarrowExact(std::u16string_view wide, UINT codePage = CP_ACP);

inline std::u16string fromUtf8(std::string_view s) { return toWide(s, CP_UTF8); }
inline std::string toUtf8(std::u16string_view s) { return toNarrow(s, CP_UTF8); }
// ANSI (Windows-1250) <-> UTF-8, for narrow paths and for the UI.
std::string ansiToUtf8(std::string_view ansi);
std::string utf8ToAnsi(std::string_view utf8);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view s) noexcept;

std::u16string toLower(std::u16string_view s);
std::u16string toUpper(std::u16string_view s);
// Case-insensitive equality and ordering as the registry and file names use.
bool equalsNoCase(std::u16string_view a, std::u16string_view b) noexcept;
int compareNoCase(std::u16string_view a, std::u16string_view b) noexcept;

// Length of a NUL-terminated UTF-16 string.
std::size_t length(const char16_t* s) noexcept;

}  // namespace platform::text
