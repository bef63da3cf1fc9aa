// Resources carried by a module: string tables and binary resources (RCDATA,
// HTML pages, images, dialog data). They are compiled into the shared object
// or program by the CMake function tesk_add_resources (cmake/TeskResources.cmake)
// and found by type, name and language as on Windows.
#pragma once

#include "win32/types.h"

// Integer resource names and types travel in the pointer, as on Windows.
template <class Char = char>
constexpr const Char* MAKEINTRESOURCE_OF(WORD id) {
    return reinterpret_cast<const Char*>(static_cast<ULONG_PTR>(id));
}
#define MAKEINTRESOURCEA(i) MAKEINTRESOURCE_OF<char>(static_cast<WORD>(i))
#define MAKEINTRESOURCEW(i) MAKEINTRESOURCE_OF<char16_t>(static_cast<WORD>(i))
template <class Char>
constexpr bool IS_INTRESOURCE(const Char* p) {
    return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0;
}

inline constexpr WORD RT_BITMAP_ID = 2;
inline constexpr WORD RT_DIALOG_ID = 5;
inline constexpr WORD RT_STRING_ID = 6;
inline constexpr WORD RT_RCDATA_ID = 10;
inline constexpr WORD RT_VERSION_ID = 16;
inline constexpr WORD RT_HTML_ID = 23;
inline constexpr WORD RT_DLGINIT_ID = 240;
#define RT_RCDATA MAKEINTRESOURCEA(RT_RCDATA_ID)
#define RT_HTML MAKEINTRESOURCEA(RT_HTML_ID)
#define RT_BITMAP MAKEINTRESOURCEA(RT_BITMAP_ID)

// Language 0 (neutral) matches any; otherwise a resource of the asked
// language is preferred, then neutral, then any.
HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) noexcept;
HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) noexcept;
HRSRC FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName, WORD wLanguage) noexcept;
HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage) noexcept;
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo) noexcept;
LPVOID LockResource(HGLOBAL hResData) noexcept;
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo) noexcept;
BOOL FreeResource(HGLOBAL hResData) noexcept;

// String resources. Returns the characters copied (without the NUL, cut to
// fit), 0 when the string is missing (the buffer then holds ""). With
// cchBufferMax 0, the wide form stores a read-only pointer to the text in
// *lpBuffer and returns its length. The narrow form converts to ANSI.
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) noexcept;
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) noexcept;
