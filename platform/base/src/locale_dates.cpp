// GetDateFormat and GetTimeFormat for the supported locales, and the
// locale numbers the system asks for. The narrow forms take and give ANSI.
#include "calendar.h"
#include "date_picture.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "win32/datetime.h"

using namespace platform;
using namespace platform::locale;

namespace {

constexpr DWORD kDateFlags = DATE_SHORTDATE | DATE_LONGDATE;
constexpr DWORD kTimeFlags = TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT;

std::u16string pictureOf(const char* ansi) { return text::toWide(ansi); }
std::u16string pictureOf(const char16_t* wide) { return std::u16string(wide); }

// The result in the caller's width. A size of 0 asks for the length with the
// NUL; a short buffer is ERROR_INSUFFICIENT_BUFFER.
template <class Char>
int deliver(const std::u16string& wide, Char* out, int room) {
    std::basic_string<Char> result;
    if constexpr (sizeof(Char) == 1)
        result = text::toNarrow(wide);
    else
        result = wide;
    const auto needed = static_cast<int>(result.size() + 1);
    if (room < 0 || (room > 0 && !out)) throw WinError(ERROR_INVALID_PARAMETER, "bad output buffer");
    if (room == 0) return needed;
    if (room < needed) throw WinError(ERROR_INSUFFICIENT_BUFFER, "buffer too small");
    std::char_traits<Char>::copy(out, result.data(), result.size());
    out[result.size()] = Char{};
    return needed;
}

SYSTEMTIME givenOrNow(const SYSTEMTIME* given) { return given ? *given : calendar::localNow(); }

template <class Char>
int dateFormat(LCID lcid, DWORD flags, const SYSTEMTIME* lpDate, const Char* lpFormat, Char* out, int room) {
    return winValue(0, [&] {
        if ((flags & ~kDateFlags) || flags == kDateFlags || (lpFormat && flags))
            throw WinError(ERROR_INVALID_FLAGS, "bad date flags");
        const LocaleData& locale = localeFor(lcid);
        const SYSTEMTIME date = givenOrNow(lpDate);
        if (!calendar::isValidDate(date.wYear, date.wMonth, date.wDay))
            throw WinError(ERROR_INVALID_PARAMETER, "no such date");
        const std::u16string picture =
            lpFormat ? pictureOf(lpFormat) : std::u16string(flags & DATE_LONGDATE ? locale.longDate : locale.shortDate);
        return deliver(formatDate(locale, date, picture), out, room);
    });
}

template <class Char>
int timeFormat(LCID lcid, DWORD flags, const SYSTEMTIME* lpTime, const Char* lpFormat, Char* out, int room) {
    return winValue(0, [&] {
        if (flags & ~kTimeFlags) throw WinError(ERROR_INVALID_FLAGS, "bad time flags");
        const LocaleData& locale = localeFor(lcid);
        const SYSTEMTIME time = givenOrNow(lpTime);
        if (time.wHour > 23 || time.wMinute > 59 || time.wSecond > 59 || time.wMilliseconds > 999)
            throw WinError(ERROR_INVALID_PARAMETER, "no such time");
        const std::u16string picture = lpFormat ? pictureOf(lpFormat) : std::u16string(locale.time);
        return deliver(formatTime(locale, time, picture, flags), out, room);
    });
}

LCID userLcid() noexcept { return userLocale().lcid; }

}  // namespace

LCID GetUserDefaultLCID() noexcept { return userLcid(); }
LANGID GetUserDefaultLangID() noexcept { return LOWORD(userLcid()); }
LANGID GetUserDefaultUILanguage() noexcept { return LOWORD(userLcid()); }
// One installation: the system locale is the user's.
LCID GetSystemDefaultLCID() noexcept { return userLcid(); }

int GetDateFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCSTR lpFormat, LPSTR lpDateStr,
                   int cchDate) noexcept {
    return dateFormat(Locale, dwFlags, lpDate, lpFormat, lpDateStr, cchDate);
}

int GetDateFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCWSTR lpFormat, LPWSTR lpDateStr,
                   int cchDate) noexcept {
    return dateFormat(Locale, dwFlags, lpDate, lpFormat, lpDateStr, cchDate);
}

int GetTimeFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCSTR lpFormat, LPSTR lpTimeStr,
                   int cchTime) noexcept {
    return timeFormat(Locale, dwFlags, lpTime, lpFormat, lpTimeStr, cchTime);
}

int GetTimeFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCWSTR lpFormat, LPWSTR lpTimeStr,
                   int cchTime) noexcept {
    return timeFormat(Locale, dwFlags, lpTime, lpFormat, lpTimeStr, cchTime);
}
