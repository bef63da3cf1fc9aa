// printf-style formatting with the Windows rules. In a narrow format %s is a
// narrow (ANSI) string and %S a wide one; in a wide format %s is wide and %S
// narrow. %hs/%ls force narrow/wide, %c/%C likewise for characters, and
// %I64d/%I64u/%I64x take 64-bit integers. A null string prints "(null)".
#pragma once

#include <cstdarg>

#include "win32/types.h"

// The Microsoft truncating forms: the result is the length written, or -1
// when the output did not fit, in which case count characters were written
// and no NUL is added.
int _vsnprintf(char* buffer, std::size_t count, const char* format, va_list args) noexcept;
int _snprintf(char* buffer, std::size_t count, const char* format, ...) noexcept;
int _vsnwprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, va_list args) noexcept;
int _snwprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, ...) noexcept;

// wsprintf: output of at most 1,024 characters including the NUL, always
// terminated; the result is the number of characters without the NUL.
int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args) noexcept;
int wsprintfA(LPSTR buffer, LPCSTR format, ...) noexcept;
int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) noexcept;
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) noexcept;
