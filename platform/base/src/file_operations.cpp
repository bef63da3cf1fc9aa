// Deleting, copying and moving files, and making and removing folders, with
// the errors Windows gives: ERROR_FILE_EXISTS when a copy must not replace,
// ERROR_ALREADY_EXISTS for a folder or move target that is there,
// ERROR_ACCESS_DENIED for read-only files and folders where a file is
// expected, ERROR_DIR_NOT_EMPTY, ERROR_DIRECTORY for a file where a folder is
// expected, and ERROR_SHARING_VIOLATION against the handles of this process.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "caller_text.h"
#include "copy_bytes.h"
#include "file_errors.h"
#include "file_info.h"
#include "platform/boundary.h"
#include "share_modes.h"
#include "platform/unique_fd.h"
#include "win32/files.h"

namespace platform::files {

namespace {

std::optional<FileInfo> infoIfPresent(const fs::path& p) {
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        throwPathError(p, "lstat", errno);
    }
    return infoOfPath(p);
}

[[noreturn]] void accessDenied(const char* why, const fs::path& p) {
    throw WinError(ERROR_ACCESS_DENIED, std::string(why) + ": " + p.string());
}

// A file that an operation would overwrite (write access) or remove
// (delete access).
void checkReplaceable(const FileInfo& target, const fs::path& p, DWORD access) {
    if (isDirectory(target)) accessDenied("is a folder", p);
    if (isReadOnly(target)) accessDenied("is read-only", p);
    checkSharing(p, access);
}

void deleteFile(const fs::path& p) {
    checkReplaceable(infoOfPath(p), p, kDeleteAccess);
    if (unlink(p.c_str()) != 0) throwPathError(p, "unlink", errno);
}

// As on Windows, the copy keeps the source's read-only state and last write
// time. A copy that fails half-way is removed.
void copyFile(const fs::path& from, const fs::path& to, bool failIfExists) {
    const FileInfo source = infoOfPath(from);
    if (isDirectory(source)) accessDenied("is a folder", from);
    checkSharing(from, kReadAccess);
    if (const auto target = infoIfPresent(to)) {
        if (failIfExists) throw WinError(ERROR_FILE_EXISTS, "file exists: " + to.string());
        if (target->id == source.id) throw WinError(ERROR_SHARING_VIOLATION, "copy onto itself: " + to.string());
        checkReplaceable(*target, to, kWriteAccess);
    }
    UniqueFd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) throwPathError(from, "open", errno);
    const int exclusive = failIfExists ? O_EXCL : 0;
    UniqueFd out(open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | exclusive, 0600));
    if (!out) {
        if (errno == EEXIST) throw WinError(ERROR_FILE_EXISTS, "file exists: " + to.string());
        throwPathError(to, "open", errno);
    }
    try {
        if (const int error = copyBytes(in.get(), out.get())) throwPathError(to, "copy", error);
        struct stat st {};
        if (fstat(in.get(), &st) != 0) throwPathError(from, "fstat", errno);
        const timespec times[2] = {timespec{0, UTIME_OMIT}, st.st_mtim};
        if (futimens(out.get(), times) != 0) throwPathError(to, "futimens", errno);
        if (fchmod(out.get(), source.mode & 07777) != 0) throwPathError(to, "fchmod", errno);
    } catch (...) {
        unlink(to.c_str());
        throw;
    }
}

void syncFolderOf(const fs::path& p) {
    const fs::path folder = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    UniqueFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd || fsync(fd.get()) != 0) throwPathError(folder, "fsync", errno);
}

void moveFile(const fs::path& from, const fs::path& to, DWORD flags) {
    if (flags & ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        throw WinError(ERROR_INVALID_PARAMETER, "bad move flags");
    const bool replace = flags & MOVEFILE_REPLACE_EXISTING;
    const auto source = infoIfPresent(from);
    if (!source) throwPathError(from, "rename", ENOENT);
    checkSharing(from, kDeleteAccess);
    const auto target = infoIfPresent(to);
    if (target && target->id != source->id) {
        if (!replace) throw WinError(ERROR_ALREADY_EXISTS, "target exists: " + to.string());
        if (isDirectory(*source)) accessDenied("folder cannot replace", to);
        checkReplaceable(*target, to, kDeleteAccess);
    }
    int result = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), replace ? 0 : RENAME_NOREPLACE);
    if (result != 0 && errno == EINVAL && !replace) result = rename(from.c_str(), to.c_str());  // no NOREPLACE here
    if (result != 0) {
        if (errno == EEXIST && !replace) throw WinError(ERROR_ALREADY_EXISTS, "target exists: " + to.string());
        if (errno != EXDEV) throwPathError(from, "rename", errno);
        if (!(flags & MOVEFILE_COPY_ALLOWED) || isDirectory(*source))
            throw WinError(ERROR_NOT_SAME_DEVICE, "move to another file system: " + to.string());
        copyFile(from, to, !replace);
        if (unlink(from.c_str()) != 0) throwPathError(from, "unlink", errno);
    }
    if (flags & MOVEFILE_WRITE_THROUGH) syncFolderOf(to);
}

void createDirectory(const fs::path& p) {
    if (mkdir(p.c_str(), 0777) == 0) return;
    if (errno == EEXIST) throw WinError(ERROR_ALREADY_EXISTS, "already exists: " + p.string());
    throwPathError(p, "mkdir", errno);
}

void removeDirectory(const fs::path& p) {
    if (!isDirectory(infoOfPath(p))) throw WinError(ERROR_DIRECTORY, "not a folder: " + p.string());
    if (rmdir(p.c_str()) == 0) return;
    if (errno == EEXIST || errno == ENOTEMPTY) throw WinError(ERROR_DIR_NOT_EMPTY, "folder not empty: " + p.string());
    throwPathError(p, "rmdir", errno);
}

template <class Char>
BOOL onPath(const Char* name, void (*operation)(const fs::path&)) {
    return winBool([&] {
        operation(pathArg(name));
        return true;
    });
}

template <class Char>
BOOL copyOf(const Char* from, const Char* to, BOOL failIfExists) {
    return winBool([&] {
        copyFile(pathArg(from), pathArg(to), failIfExists != FALSE);
        return true;
    });
}

template <class Char>
BOOL moveOf(const Char* from, const Char* to, DWORD flags) {
    return winBool([&] {
        moveFile(pathArg(from), pathArg(to), flags);
        return true;
    });
}

}  // namespace

}  // namespace platform::files

using namespace platform::files;

BOOL DeleteFileA(LPCSTR lpFileName) noexcept { return onPath(lpFileName, deleteFile); }
BOOL DeleteFileW(LPCWSTR lpFileName) noexcept { return onPath(lpFileName, deleteFile); }

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) noexcept {
    return copyOf(lpExistingFileName, lpNewFileName, bFailIfExists);
}
BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) noexcept {
    return copyOf(lpExistingFileName, lpNewFileName, bFailIfExists);
}

// MoveFile moves files to another file system by copying, as MoveFileEx
// does with MOVEFILE_COPY_ALLOWED.
BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) noexcept {
    return moveOf(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}
BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) noexcept {
    return moveOf(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}
BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) noexcept {
    return moveOf(lpExistingFileName, lpNewFileName, dwFlags);
}
BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) noexcept {
    return moveOf(lpExistingFileName, lpNewFileName, dwFlags);
}

// Folders are made with the default permissions; the security attributes
// are not used.
BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) noexcept { return onPath(lpPathName, createDirectory); }
BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES) noexcept {
    return onPath(lpPathName, createDirectory);
}
BOOL RemoveDirectoryA(LPCSTR lpPathName) noexcept { return onPath(lpPathName, removeDirectory); }
BOOL RemoveDirectoryW(LPCWSTR lpPathName) noexcept { return onPath(lpPathName, removeDirectory); }
