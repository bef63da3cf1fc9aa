// Text that crosses the boundary of the file, folder and environment
// functions in the caller's width: narrow text is ANSI, wide text UTF-16;
// Linux sees UTF-8.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/ansi_name.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace platform::files {

namespace fs = std::filesystem;

// Null is ERROR_INVALID_PARAMETER and "" ERROR_PATH_NOT_FOUND; an ANSI name
// with "?" or "*" is ERROR_INVALID_NAME.
fs::path pathArg(const char* ansi);
fs::path pathArg(const char16_t* wide);
// The same for a search pattern, whose wildcards are kept.
fs::path patternArg(const char* ansi);
fs::path patternArg(const char16_t* wide);

// A Linux path, or UTF-8 text, as the caller's text.
template <class Char>
std::basic_string<Char> callerText(std::string_view utf8) {
    if constexpr (sizeof(Char) == 1)
        return text::utf8ToAnsi(utf8);
    else
        return text::fromUtf8(utf8);
}
// A path in the caller's text; in ANSI, refused with ERROR_INVALID_NAME
// when the page lacks one of its characters.
template <class Char>
std::basic_string<Char> pathText(const fs::path& p) {
    if constexpr (sizeof(Char) == 1)
        return paths::toAnsiName(p);
    else
        return paths::toWide(p);
}
// The caller's text as UTF-8 (null gives "").
inline std::string utf8Of(const char* ansi) { return ansi ? text::ansiToUtf8(ansi) : std::string(); }
inline std::string utf8Of(const char16_t* wide) { return wide ? text::toUtf8(wide) : std::string(); }

// The length rule of GetTempPath, GetCurrentDirectory and their kin: when
// the text and its NUL fit, they are copied and the length without the NUL
// is returned; otherwise the size needed with the NUL, the buffer untouched.
template <class Char>
DWORD copyWithLength(const std::basic_string<Char>& text, Char* buffer, DWORD size) {
    if (!buffer || size < text.size() + 1) return static_cast<DWORD>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = Char{};
    return static_cast<DWORD>(text.size());
}

// Into a buffer of fixed size (MAX_PATH buffers, the arrays of the Windows
// records): ERROR_FILENAME_EXCED_RANGE when the text and its NUL do not fit.
template <class Char>
void copyToBuffer(const std::basic_string<Char>& text, Char* buffer, std::size_t capacity) {
    if (text.size() + 1 > capacity) throw WinError(ERROR_FILENAME_EXCED_RANGE, "name too long");
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = Char{};
}
template <class Char, std::size_t N>
void copyToArray(const std::basic_string<Char>& text, Char (&array)[N]) {
    copyToBuffer(text, array, N);
}

}  // namespace platform::files
