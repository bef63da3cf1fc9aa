// time_text.cpp: FILETIME to compact text, locale text and OLE dates.
#include "common/time_text.h"

#include <cstdio>

#include "win32/datetime.h"

namespace {

constexpr int kPartSize = 256;  // each formatted part, NUL included

int dateFormat(DWORD flags, const SYSTEMTIME& time, char* out) {
    return GetDateFormatA(LOCALE_USER_DEFAULT, flags, &time, nullptr, out, kPartSize);
}
int dateFormat(DWORD flags, const SYSTEMTIME& time, char16_t* out) {
    return GetDateFormatW(LOCALE_USER_DEFAULT, flags, &time, nullptr, out, kPartSize);
}
int timeFormat(const SYSTEMTIME& time, char* out) {
    return GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, out, kPartSize);
}
int timeFormat(const SYSTEMTIME& time, char16_t* out) {
    return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, out, kPartSize);
}

// The text of a formatting call that returns its length with the NUL, or 0.
template <class Char>
std::basic_string<Char> part(int written, const Char* buffer) {
    return written > 0 ? std::basic_string<Char>(buffer, static_cast<std::size_t>(written - 1))
                       : std::basic_string<Char>();
}

}  // namespace

template <class Char>
std::basic_string<Char> FileTimeToCompactString(const FILETIME& fileTime) {
    SYSTEMTIME time{};
    if (!FileTimeToSystemTime(&fileTime, &time)) return {};
    char text[kPartSize];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return std::basic_string<Char>(text, text + std::char_traits<char>::length(text));
}

template <class Char>
std::basic_string<Char> FileTimeToLocalText(DWORD dateFlags, const FILETIME& fileTime) {
    SYSTEMTIME time{};
    if (!FileTimeToSystemTime(&fileTime, &time)) return {};
    Char date[kPartSize] = {};
    Char clock[kPartSize] = {};
    return part(dateFormat(dateFlags, time, date), date) + static_cast<Char>(' ') +
           part(timeFormat(time, clock), clock);
}

template std::string FileTimeToCompactString<char>(const FILETIME&);
template std::u16string FileTimeToCompactString<char16_t>(const FILETIME&);
template std::string FileTimeToLocalText<char>(DWORD, const FILETIME&);
template std::u16string FileTimeToLocalText<char16_t>(DWORD, const FILETIME&);

DATE FileTimeToVariantDate(const FILETIME& fileTime) {
    SYSTEMTIME time{};
    DATE date = 0;
    if (!FileTimeToSystemTime(&fileTime, &time) || !SystemTimeToVariantTime(&time, &date)) return 0;
    return date;
}

DATE FileTimeToLocalVariantDate(const FILETIME& fileTime) {
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&fileTime, &local)) return 0;
    return FileTimeToVariantDate(local);
}
