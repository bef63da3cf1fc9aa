// GetFileAttributes and SetFileAttributes. Only READONLY can be changed: the
// other attributes follow from the file (see file_info.h).
#include <sys/stat.h>

#include <cerrno>

#include "caller_text.h"
#include "file_errors.h"
#include "file_info.h"
#include "platform/boundary.h"
#include "win32/files.h"

namespace platform::files {

namespace {

template <class Char>
DWORD getAttributes(const Char* name) {
    return winValue(INVALID_FILE_ATTRIBUTES, [&] { return infoOfPath(pathArg(name)).attributes; });
}

// A folder keeps its permissions: its read-only flag has no effect on
// Windows, while here it would forbid creating files in it.
template <class Char>
BOOL setAttributes(const Char* name, DWORD attributes) {
    return winBool([&] {
        const fs::path p = pathArg(name);
        const FileInfo info = infoOfPath(p);
        if (isDirectory(info)) return true;
        const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY)
                                ? info.mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)
                                : (isReadOnly(info) ? info.mode | S_IWUSR : info.mode);
        if (chmod(p.c_str(), mode & 07777) != 0) throwPathError(p, "chmod", errno);
        return true;
    });
}

}  // namespace

}  // namespace platform::files

DWORD GetFileAttributesA(LPCSTR lpFileName) noexcept { return platform::files::getAttributes(lpFileName); }
DWORD GetFileAttributesW(LPCWSTR lpFileName) noexcept { return platform::files::getAttributes(lpFileName); }

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) noexcept {
    return platform::files::setAttributes(lpFileName, dwFileAttributes);
}
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) noexcept {
    return platform::files::setAttributes(lpFileName, dwFileAttributes);
}
