// The layer's Windows functions in the form for the build's character type:
// one overload for narrow (ANSI) text and one for UTF-16, so the library's
// code is written once for both builds.
#pragma once

#include <cstdarg>
#include <filesystem>

#include "platform/paths.h"
#include "win32/datetime.h"
#include "win32/files.h"
#include "win32/format.h"
#include "win32/text.h"

namespace zipwin {

inline void lowerInPlace(char* s) noexcept { CharLowerA(s); }
inline void lowerInPlace(char16_t* s) noexcept { CharLowerW(s); }
inline int compareNoCase(const char* a, const char* b) noexcept { return lstrcmpiA(a, b); }
inline int compareNoCase(const char16_t* a, const char16_t* b) noexcept { return lstrcmpiW(a, b); }

inline int vformat(char* out, std::size_t room, const char* format, va_list args) noexcept {
    return _vsnprintf(out, room, format, args);
}
inline int vformat(char16_t* out, std::size_t room, const char16_t* format, va_list args) noexcept {
    return _vsnwprintf(out, room, format, args);
}

inline DWORD getFileAttributes(const char* path) noexcept { return GetFileAttributesA(path); }
inline DWORD getFileAttributes(const char16_t* path) noexcept { return GetFileAttributesW(path); }
inline BOOL createDirectory(const char* path) noexcept { return CreateDirectoryA(path, nullptr); }
inline BOOL createDirectory(const char16_t* path) noexcept { return CreateDirectoryW(path, nullptr); }
inline BOOL deleteFile(const char* path) noexcept { return DeleteFileA(path); }
inline BOOL deleteFile(const char16_t* path) noexcept { return DeleteFileW(path); }
inline BOOL moveFile(const char* from, const char* to) noexcept { return MoveFileA(from, to); }
inline BOOL moveFile(const char16_t* from, const char16_t* to) noexcept { return MoveFileW(from, to); }
inline UINT getDriveType(const char* root) noexcept { return GetDriveTypeA(root); }
inline UINT getDriveType(const char16_t* root) noexcept { return GetDriveTypeW(root); }
inline BOOL getDiskFreeSpace(const char* path, ULARGE_INTEGER* totalFree) noexcept {
    return GetDiskFreeSpaceExA(path, nullptr, nullptr, totalFree);
}
inline BOOL getDiskFreeSpace(const char16_t* path, ULARGE_INTEGER* totalFree) noexcept {
    return GetDiskFreeSpaceExW(path, nullptr, nullptr, totalFree);
}
inline DWORD getTempPath(DWORD room, char* out) noexcept { return GetTempPathA(room, out); }
inline DWORD getTempPath(DWORD room, char16_t* out) noexcept { return GetTempPathW(room, out); }
inline UINT getTempFileName(const char* folder, const char* prefix, char* out) noexcept {
    return GetTempFileNameA(folder, prefix, 0, out);
}
inline UINT getTempFileName(const char16_t* folder, const char16_t* prefix, char16_t* out) noexcept {
    return GetTempFileNameW(folder, prefix, 0, out);
}
inline DWORD getCurrentDirectory(DWORD room, char* out) noexcept { return GetCurrentDirectoryA(room, out); }
inline DWORD getCurrentDirectory(DWORD room, char16_t* out) noexcept { return GetCurrentDirectoryW(room, out); }
inline HANDLE findFirstFile(const char* path, FILETIME& lastWrite) noexcept {
    WIN32_FIND_DATAA data{};
    const HANDLE h = FindFirstFileA(path, &data);
    lastWrite = data.ftLastWriteTime;
    return h;
}
inline HANDLE findFirstFile(const char16_t* path, FILETIME& lastWrite) noexcept {
    WIN32_FIND_DATAW data{};
    const HANDLE h = FindFirstFileW(path, &data);
    lastWrite = data.ftLastWriteTime;
    return h;
}
inline HANDLE createFile(const char* path, DWORD access, DWORD share, DWORD disposition) noexcept {
    return CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
inline HANDLE createFile(const char16_t* path, DWORD access, DWORD share, DWORD disposition) noexcept {
    return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A path of the library's text as the Linux file system names it.
inline std::filesystem::path linuxPath(const char* path) { return platform::paths::fromWindowsAnsi(path); }
inline std::filesystem::path linuxPath(const char16_t* path) { return platform::paths::fromWindows(path); }

template <class Char>
bool samePath(const Char* a, const Char* b) {
    return linuxPath(a).lexically_normal() == linuxPath(b).lexically_normal();
}
inline bool exists(const char* path) noexcept { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
inline bool exists(const char16_t* path) noexcept { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace zipwin
