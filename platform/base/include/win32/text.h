// Code pages and character conversion with the Windows rules. The ANSI code
// page is Windows-1250 and the OEM code page 852, as on the Czech systems the
// suite was made for; every byte of the single-byte pages converts to one
// UTF-16 unit and back unchanged (undefined positions map to the C1 control
// of the same value).
#pragma once

#include "win32/types.h"

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_UTF16LE = 1200;
inline constexpr UINT CP_OEM_852 = 852;
inline constexpr UINT CP_WINDOWS_1250 = 1250;
inline constexpr UINT CP_ISO_8859_2 = 28592;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_PRECOMPOSED = 0x1;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

UINT GetACP() noexcept;
UINT GetOEMCP() noexcept;
BOOL IsValidCodePage(UINT codePage) noexcept;

// cbMultiByte / cchWideChar of -1 mean "up to and including the NUL".
// A zero output size is a size query. Errors: ERROR_INVALID_PARAMETER,
// ERROR_INSUFFICIENT_BUFFER, ERROR_NO_UNICODE_TRANSLATION (invalid input
// under MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS), ERROR_INVALID_FLAGS.
int MultiByteToWideChar(UINT codePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) noexcept;
// A character the page lacks becomes lpDefaultChar (or "?") and sets
// *lpUsedDefaultChar; both must be null for CP_UTF8.
int WideCharToMultiByte(UINT codePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar) noexcept;

int lstrlenA(LPCSTR s) noexcept;
int lstrlenW(LPCWSTR s) noexcept;
// Case-insensitive comparison and case mapping by the user's locale rules
// (Unicode simple case mapping; the narrow forms go through the ANSI page).
int lstrcmpiW(LPCWSTR a, LPCWSTR b) noexcept;
int lstrcmpiA(LPCSTR a, LPCSTR b) noexcept;
int lstrcmpW(LPCWSTR a, LPCWSTR b) noexcept;
LPSTR CharLowerA(LPSTR s) noexcept;
LPWSTR CharLowerW(LPWSTR s) noexcept;
LPSTR CharUpperA(LPSTR s) noexcept;
LPWSTR CharUpperW(LPWSTR s) noexcept;
