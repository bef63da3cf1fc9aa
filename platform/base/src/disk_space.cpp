// Free space of the file system that holds a folder, and the drive type:
// every existing folder is on a fixed disk.
#include <sys/statvfs.h>

#include <cerrno>

#include "caller_text.h"
#include "file_errors.h"
#include "file_info.h"
#include "platform/boundary.h"
#include "win32/files.h"

namespace platform::files {

namespace {

// A null folder is the current one.
template <class Char>
BOOL diskFreeSpace(const Char* folder, ULARGE_INTEGER* available, ULARGE_INTEGER* total, ULARGE_INTEGER* free) {
    return winBool([&] {
        const fs::path p = folder ? pathArg(folder) : fs::path(".");
        if (!isDirectory(infoOfPath(p))) throw WinError(ERROR_DIRECTORY, "not a folder: " + p.string());
        struct statvfs vfs {};
        if (statvfs(p.c_str(), &vfs) != 0) throwPathError(p, "statvfs", errno);
        const ULONGLONG unit = vfs.f_frsize;
        if (available) available->QuadPart = vfs.f_bavail * unit;
        if (total) total->QuadPart = vfs.f_blocks * unit;
        if (free) free->QuadPart = vfs.f_bfree * unit;
        return true;
    });
}

// A null or empty root is the current folder.
template <class Char>
UINT driveType(const Char* root) noexcept {
    try {
        const fs::path p = root && *root ? pathArg(root) : fs::path(".");
        return isDirectory(infoOfPath(p)) ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
    } catch (...) {
        return DRIVE_NO_ROOT_DIR;
    }
}

}  // namespace

}  // namespace platform::files

BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, ULARGE_INTEGER* lpFreeBytesAvailable,
                         ULARGE_INTEGER* lpTotalNumberOfBytes, ULARGE_INTEGER* lpTotalNumberOfFreeBytes) noexcept {
    return platform::files::diskFreeSpace(lpDirectoryName, lpFreeBytesAvailable, lpTotalNumberOfBytes,
                                          lpTotalNumberOfFreeBytes);
}
BOOL GetDiskFreeSpaceExW(LPCWSTR lpDirectoryName, ULARGE_INTEGER* lpFreeBytesAvailable,
                         ULARGE_INTEGER* lpTotalNumberOfBytes, ULARGE_INTEGER* lpTotalNumberOfFreeBytes) noexcept {
    return platform::files::diskFreeSpace(lpDirectoryName, lpFreeBytesAvailable, lpTotalNumberOfBytes,
                                          lpTotalNumberOfFreeBytes);
}
UINT GetDriveTypeA(LPCSTR lpRootPathName) noexcept { return platform::files::driveType(lpRootPathName); }
UINT GetDriveTypeW(LPCWSTR lpRootPathName) noexcept { return platform::files::driveType(lpRootPathName); }
