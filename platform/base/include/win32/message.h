// FormatMessage: the system's texts for the result codes of error_codes.h
// (English, the system's default language), each ending in "\r\n" as the
// system gives them; and texts of a module's message resources.
#pragma once

#include <cstdarg>

#include "win32/types.h"

inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
inline constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;
inline constexpr WORD LANG_NEUTRAL = 0x00;
inline constexpr WORD LANG_ENGLISH = 0x09;
inline constexpr WORD LANG_CZECH = 0x05;
inline constexpr WORD LANG_SLOVAK = 0x1B;
inline constexpr WORD SUBLANG_NEUTRAL = 0x00;
inline constexpr WORD SUBLANG_DEFAULT = 0x01;
inline constexpr WORD SUBLANG_SYS_DEFAULT = 0x02;

// With FORMAT_MESSAGE_ALLOCATE_BUFFER, lpBuffer receives a LocalAlloc'd
// pointer (pass the address of a pointer). Returns the characters written
// without the NUL, or 0 with ERROR_MR_MID_NOT_FOUND (317) when there is no
// text for the code.
DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                     DWORD nSize, va_list* Arguments) noexcept;
DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* Arguments) noexcept;
