#include "file_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>

#include "calendar.h"
#include "file_errors.h"
#include "platform/win_error.h"
#include "win32/files.h"

namespace platform::files {

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

ULONGLONG ticksOf(const statx_timestamp& t) noexcept {
    return calendar::ticksOf(timespec{static_cast<time_t>(t.tv_sec), static_cast<long>(t.tv_nsec)});
}

bool isHiddenName(const std::string& name) noexcept { return name.size() > 1 && name[0] == '.' && name != ".."; }

FileInfo infoOf(const struct statx& sx, const std::string& name) {
    FileInfo info{};
    info.id = {static_cast<dev_t>(makedev(sx.stx_dev_major, sx.stx_dev_minor)), static_cast<ino_t>(sx.stx_ino)};
    info.mode = sx.stx_mode;
    info.lastAccessTime = ticksOf(sx.stx_atime);
    info.lastWriteTime = ticksOf(sx.stx_mtime);
    info.creationTime = (sx.stx_mask & STATX_BTIME) ? ticksOf(sx.stx_btime) : info.lastWriteTime;
    info.size = S_ISREG(sx.stx_mode) ? sx.stx_size : 0;
    DWORD attributes = 0;
    if (S_ISDIR(sx.stx_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (S_ISREG(sx.stx_mode)) attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (!S_ISDIR(sx.stx_mode) && (sx.stx_mode & kWriteBits) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    if (isHiddenName(name)) attributes |= FILE_ATTRIBUTE_HIDDEN;
    info.attributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return info;
}

constexpr unsigned kMask = STATX_BASIC_STATS | STATX_BTIME;

}  // namespace

FileInfo infoOfPath(const std::filesystem::path& p) { return infoOfPath(p, p.filename()); }

// A symbolic link is what Windows calls a reparse point: the details are its
// target's (a dangling link keeps its own), marked so that walkers of a tree
// can tell a link from a folder of its own and need not follow it.
FileInfo infoOfPath(const std::filesystem::path& p, const std::filesystem::path& name) {
    struct statx sx {};
    if (statx(AT_FDCWD, p.c_str(), AT_SYMLINK_NOFOLLOW, kMask, &sx) != 0) throwPathError(p, "statx", errno);
    if (!S_ISLNK(sx.stx_mode)) return infoOf(sx, name.native());
    struct statx target {};
    FileInfo info = infoOf(statx(AT_FDCWD, p.c_str(), 0, kMask, &target) == 0 ? target : sx, name.native());
    info.attributes = (info.attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_REPARSE_POINT;
    return info;
}

FileInfo infoOfDescriptor(int fd) {
    struct statx sx {};
    if (statx(fd, "", AT_EMPTY_PATH, kMask, &sx) != 0) throwErrno(win32CodeOfErrno(errno), "statx", errno);
    return infoOf(sx, {});
}

bool isDirectory(const FileInfo& info) noexcept { return S_ISDIR(info.mode); }

bool isReadOnly(const FileInfo& info) noexcept { return !S_ISDIR(info.mode) && (info.mode & kWriteBits) == 0; }

}  // namespace platform::files
