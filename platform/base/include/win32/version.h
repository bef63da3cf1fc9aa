// Version information of module files: the version resource that
// tesk_add_resources writes (VERSION argument or the target's VERSION
// property), read from the file and queried by path.
#pragma once

#include "win32/types.h"

inline constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

// The size of the block GetFileVersionInfoW fills, 0 with the last error set
// (ERROR_FILE_NOT_FOUND, ERROR_RESOURCE_DATA_NOT_FOUND for a file that is no
// module or has no resources, ERROR_RESOURCE_TYPE_NOT_FOUND for one without
// a version resource). *lpdwHandle, when given, is set to 0.
DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle) noexcept;
// Copies the block; a smaller buffer gets its first dwLen bytes, shortened so
// that VerQueryValueW stays inside them. dwHandle is ignored.
BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData) noexcept;
// "\" gives the VS_FIXEDFILEINFO (*puLen its size in bytes),
// "\VarFileInfo\Translation" the (language, code page) pairs (*puLen in
// bytes), "\StringFileInfo\<llllcccc>\<name>" a text (*puLen in characters
// with the NUL). Names match without regard to case. A missing value gives
// FALSE with ERROR_RESOURCE_TYPE_NOT_FOUND. The pointer points into pBlock.
BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen) noexcept;
