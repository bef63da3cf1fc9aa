// The printf-style entry points over the engine: the Microsoft truncating
// forms, wsprintf and the C++ forms of the layer.
#include "platform/format.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include "format_engine.h"
#include "platform/win_error.h"
#include "win32/error.h"
#include "win32/format.h"

namespace platform::text {

namespace {

// wsprintf writes at most this many characters, its NUL included.
constexpr std::size_t kWsprintfLimit = 1024;

template <class Char>
void copyChars(Char* to, const std::basic_string<Char>& from) {
    std::memcpy(to, from.data(), from.size() * sizeof(Char));
}

// The result is the length, or -1 when it did not fit (count characters
// are then written, without NUL) or when a refused conversion stopped it.
// A null buffer of size 0 asks for the length.
template <class Char>
int truncatingFormat(Char* buffer, std::size_t count, const Char* format, va_list args) noexcept {
    if (!format || (!buffer && count != 0)) {
        errno = EINVAL;
        return -1;
    }
    try {
        FormatSink<Char> out(count);
        VaListArgs reader(args);
        const bool complete = formatInto(out, format, reader);
        const auto& kept = out.kept();
        if (buffer) copyChars(buffer, kept);
        if (kept.size() < count) buffer[kept.size()] = Char{};
        if (!complete) {
            errno = EINVAL;
            return -1;
        }
        if (out.total() > INT_MAX || (buffer && out.overflowed())) return -1;
        return static_cast<int>(out.total());
    } catch (...) {
        errno = ENOMEM;
        return -1;
    }
}

// Always terminated; a refused conversion ends the output where it stands.
template <class Char>
int windowsFormat(Char* buffer, const Char* format, va_list args) noexcept {
    if (!buffer || !format) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        FormatSink<Char> out(kWsprintfLimit - 1);
        VaListArgs reader(args);
        formatInto(out, format, reader);
        copyChars(buffer, out.kept());
        buffer[out.kept().size()] = Char{};
        return static_cast<int>(out.kept().size());
    } catch (...) {
        buffer[0] = Char{};
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

// Results longer than an int can count are refused, as the C forms must.
template <class Char>
std::basic_string<Char> wholeFormat(const Char* format, FormatArgs& args) {
    if (!format) throw WinError(ERROR_INVALID_PARAMETER, "null format");
    FormatSink<Char> out(INT_MAX);
    formatInto(out, format, args);
    if (out.overflowed()) throw WinError(ERROR_ARITHMETIC_OVERFLOW, "formatted text too long");
    return std::move(out.kept());
}

}  // namespace

std::string vformat(const char* format, va_list args) {
    VaListArgs reader(args);
    return wholeFormat(format, reader);
}

std::u16string vformat(const char16_t* format, va_list args) {
    VaListArgs reader(args);
    return wholeFormat(format, reader);
}

// The reader keeps its own copy of the arguments, so the list ends at once.
std::string format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    VaListArgs reader(args);
    va_end(args);
    return wholeFormat(format, reader);
}

std::u16string format(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    VaListArgs reader(args);
    va_end(args);
    return wholeFormat(format, reader);
}

}  // namespace platform::text

using platform::text::truncatingFormat;
using platform::text::windowsFormat;

int _vsnprintf(char* buffer, std::size_t count, const char* format, va_list args) noexcept {
    return truncatingFormat(buffer, count, format, args);
}

int _snprintf(char* buffer, std::size_t count, const char* format, ...) noexcept {
    va_list args;
    va_start(args, format);
    const int result = truncatingFormat(buffer, count, format, args);
    va_end(args);
    return result;
}

int _vsnwprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, va_list args) noexcept {
    return truncatingFormat(buffer, count, format, args);
}

int _snwprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, ...) noexcept {
    va_list args;
    va_start(args, format);
    const int result = truncatingFormat(buffer, count, format, args);
    va_end(args);
    return result;
}

int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args) noexcept { return windowsFormat(buffer, format, args); }

int wsprintfA(LPSTR buffer, LPCSTR format, ...) noexcept {
    va_list args;
    va_start(args, format);
    const int result = windowsFormat(buffer, format, args);
    va_end(args);
    return result;
}

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) noexcept { return windowsFormat(buffer, format, args); }

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) noexcept {
    va_list args;
    va_start(args, format);
    const int result = windowsFormat(buffer, format, args);
    va_end(args);
    return result;
}
