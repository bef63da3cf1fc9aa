// Files and folders. Paths may use "\" or "/" as separators; narrow paths
// are in the ANSI code page, wide paths UTF-16, both converted to UTF-8 for
// Linux. Sharing modes are honoured between handles of this process, and
// DeleteFile, MoveFile and CopyFile respect them too; a file opened with
// FILE_FLAG_DELETE_ON_CLOSE goes when its last handle closes.
#pragma once

#include "win32/types.h"

inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD GENERIC_EXECUTE = 0x20000000u;
inline constexpr DWORD GENERIC_ALL = 0x10000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD FILE_SHARE_DELETE = 0x4;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
inline constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000u;
inline constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;
inline constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000u;
inline constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

inline constexpr UINT DRIVE_UNKNOWN = 0;
inline constexpr UINT DRIVE_NO_ROOT_DIR = 1;
inline constexpr UINT DRIVE_REMOVABLE = 2;
inline constexpr UINT DRIVE_FIXED = 3;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES lpSecurity,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) noexcept;
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES lpSecurity,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) noexcept;
// Handles are synchronous: lpOverlapped must be null, the count pointer
// present. A read at the end of the file succeeds with fewer (or 0) bytes.
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              void* lpOverlapped) noexcept;
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               void* lpOverlapped) noexcept;
BOOL FlushFileBuffers(HANDLE hFile) noexcept;
// Without lpFileSizeHigh, a size of 4 GiB or more fails with
// ERROR_ARITHMETIC_OVERFLOW instead of coming back cut to its low part.
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) noexcept;
BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize) noexcept;
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) noexcept;
BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, LARGE_INTEGER* lpNewFilePointer,
                      DWORD dwMoveMethod) noexcept;
BOOL SetEndOfFile(HANDLE hFile) noexcept;
BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                 LPFILETIME lpLastWriteTime) noexcept;
BOOL SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime) noexcept;

// Attributes: READONLY when a file has no write permission bit, DIRECTORY,
// HIDDEN for names that begin with ".", ARCHIVE for every regular file (as
// Windows sets it on each file written), NORMAL when nothing else applies.
// SetFileAttributes changes READONLY of files only; the rest follow from the
// file. Read-only files refuse writing, truncating and deleting, for root too.
DWORD GetFileAttributesA(LPCSTR lpFileName) noexcept;
DWORD GetFileAttributesW(LPCWSTR lpFileName) noexcept;
BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) noexcept;
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) noexcept;
BOOL DeleteFileA(LPCSTR lpFileName) noexcept;
BOOL DeleteFileW(LPCWSTR lpFileName) noexcept;
BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) noexcept;
BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) noexcept;
BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) noexcept;
BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) noexcept;
BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) noexcept;
BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) noexcept;
BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurity) noexcept;
BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurity) noexcept;
BOOL RemoveDirectoryA(LPCSTR lpPathName) noexcept;
BOOL RemoveDirectoryW(LPCWSTR lpPathName) noexcept;

// Wildcards "*" and "?" match without regard to case; "." and ".." are
// reported as Windows does. ERROR_FILE_NOT_FOUND when nothing matches,
// ERROR_NO_MORE_FILES at the end.
HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) noexcept;
HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) noexcept;
BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) noexcept;
BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) noexcept;
BOOL FindClose(HANDLE hFindFile) noexcept;

// The user's temporary folder under the platform root, with a trailing "/".
DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) noexcept;
DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) noexcept;
// "<folder>/<up to 3 prefix characters><hex number>.tmp"; uUnique 0 picks a
// free number and creates the empty file. lpTempFileName holds MAX_PATH.
UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName) noexcept;
UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) noexcept;
DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) noexcept;
DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) noexcept;
BOOL SetCurrentDirectoryA(LPCSTR lpPathName) noexcept;
BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) noexcept;
DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) noexcept;
DWORD GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart) noexcept;
BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, ULARGE_INTEGER* lpFreeBytesAvailable,
                         ULARGE_INTEGER* lpTotalNumberOfBytes, ULARGE_INTEGER* lpTotalNumberOfFreeBytes) noexcept;
BOOL GetDiskFreeSpaceExW(LPCWSTR lpDirectoryName, ULARGE_INTEGER* lpFreeBytesAvailable,
                         ULARGE_INTEGER* lpTotalNumberOfBytes, ULARGE_INTEGER* lpTotalNumberOfFreeBytes) noexcept;
// DRIVE_FIXED for any existing folder, DRIVE_NO_ROOT_DIR otherwise.
UINT GetDriveTypeA(LPCSTR lpRootPathName) noexcept;
UINT GetDriveTypeW(LPCWSTR lpRootPathName) noexcept;
