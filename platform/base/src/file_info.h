// What Windows reports about a file: attributes, the three times and size.
// READONLY means no write permission bit is set (files only: a folder's
// read-only flag means nothing on Windows either); HIDDEN marks names that
// begin with "."; regular files carry ARCHIVE, as every file Windows writes
// does; NORMAL stands alone when nothing else applies.
#pragma once

#include <sys/types.h>

#include <filesystem>

#include "win32/types.h"

namespace platform::files {

struct FileId {
    dev_t device;
    ino_t inode;
    auto operator<=>(const FileId&) const = default;
};

struct FileInfo {
    FileId id;
    mode_t mode;
    DWORD attributes;
    ULONGLONG creationTime;  // the birth time where the file system keeps one, else the last write
    ULONGLONG lastAccessTime;
    ULONGLONG lastWriteTime;
    ULONGLONG size;
};

// The name decides HIDDEN. Throw WinError with the path error codes.
FileInfo infoOfPath(const std::filesystem::path& p);
FileInfo infoOfPath(const std::filesystem::path& p, const std::filesystem::path& name);
FileInfo infoOfDescriptor(int fd);

bool isDirectory(const FileInfo& info) noexcept;
// No write permission bit: Windows' read-only attribute.
bool isReadOnly(const FileInfo& info) noexcept;

}  // namespace platform::files
