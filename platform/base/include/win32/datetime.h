// Clock, time conversions and locale date and time texts. FILETIME counts
// 100 ns units since 1601-01-01 UTC. Local time follows the process's time
// zone (TZ). The user's locale is cs-CZ, sk-SK or en-US: taken from
// PLATFORM_LOCALE, else from LC_ALL / LC_TIME / LANG, else cs-CZ.
#pragma once

#include "win32/types.h"

inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_INVARIANT = 0x007F;
inline constexpr LCID LOCALE_CS_CZ = 0x0405;
inline constexpr LCID LOCALE_SK_SK = 0x041B;
inline constexpr LCID LOCALE_EN_US = 0x0409;

inline constexpr DWORD DATE_SHORTDATE = 0x00000001;
inline constexpr DWORD DATE_LONGDATE = 0x00000002;
inline constexpr DWORD TIME_NOMINUTESORSECONDS = 0x00000001;
inline constexpr DWORD TIME_NOSECONDS = 0x00000002;
inline constexpr DWORD TIME_NOTIMEMARKER = 0x00000004;
inline constexpr DWORD TIME_FORCE24HOURFORMAT = 0x00000008;

// "Now" comes from platform::clock (tests may fix it); the tick counts run
// on regardless.
void GetSystemTime(LPSYSTEMTIME lpSystemTime) noexcept;
void GetLocalTime(LPSYSTEMTIME lpSystemTime) noexcept;
void GetSystemTimeAsFileTime(LPFILETIME lpFileTime) noexcept;
DWORD GetTickCount() noexcept;
ULONGLONG GetTickCount64() noexcept;
void Sleep(DWORD dwMilliseconds) noexcept;

// Every field but wDayOfWeek is checked (years 1601 to 30827); bad values and
// null pointers are ERROR_INVALID_PARAMETER. Local conversions apply the
// offset in force now, not the one of the converted instant, as Windows does.
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) noexcept;
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) noexcept;
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) noexcept;
BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) noexcept;
LONG CompareFileTime(const FILETIME* a, const FILETIME* b) noexcept;
// FAT/DOS date and time words (2-second resolution), as ZIP headers keep them.
// Years outside 1980 to 2107 and impossible words are ERROR_INVALID_PARAMETER.
BOOL FileTimeToDosDateTime(const FILETIME* lpFileTime, WORD* lpFatDate, WORD* lpFatTime) noexcept;
BOOL DosDateTimeToFileTime(WORD wFatDate, WORD wFatTime, LPFILETIME lpFileTime) noexcept;

// OLE Automation dates (days since 1899-12-30; 2000-01-01 00:00 is 36526.0).
// Before 1899-12-30 the fraction still counts forward from midnight
// (1899-12-29 06:00 is -1.25). Years 100 to 9999, whole seconds: milliseconds
// are dropped going in, and coming out the time rounds to the second.
INT SystemTimeToVariantTime(const SYSTEMTIME* lpSystemTime, DATE* pvtime) noexcept;
INT VariantTimeToSystemTime(DATE vtime, LPSYSTEMTIME lpSystemTime) noexcept;

LCID GetUserDefaultLCID() noexcept;
LANGID GetUserDefaultLangID() noexcept;
LANGID GetUserDefaultUILanguage() noexcept;
LCID GetSystemDefaultLCID() noexcept;
// The calling thread's locale: the user's until the thread sets another.
// LOCALE_SYSTEM_DEFAULT, LOCALE_USER_DEFAULT and 0 set the locale they stand
// for; a locale the system does not support is ERROR_INVALID_PARAMETER and
// the thread's locale stays.
LCID GetThreadLocale() noexcept;
BOOL SetThreadLocale(LCID Locale) noexcept;
// lpFormat null: the locale's short or long date (DATE_SHORTDATE default)
// or its time format. Null lpDate/lpTime: the current local time. Size 0 is
// a size query (characters including the NUL); a short buffer is
// ERROR_INSUFFICIENT_BUFFER. Flags that conflict, or date flags with a
// picture, are ERROR_INVALID_FLAGS; other locales ERROR_INVALID_PARAMETER.
// The TIME_ flags also apply to a given picture.
int GetDateFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCSTR lpFormat, LPSTR lpDateStr,
                   int cchDate) noexcept;
int GetDateFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCWSTR lpFormat, LPWSTR lpDateStr,
                   int cchDate) noexcept;
int GetTimeFormatA(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCSTR lpFormat, LPSTR lpTimeStr,
                   int cchTime) noexcept;
int GetTimeFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCWSTR lpFormat, LPWSTR lpTimeStr,
                   int cchTime) noexcept;
