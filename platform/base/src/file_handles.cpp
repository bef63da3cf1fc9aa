// CreateFile: open files as kernel objects, with Windows' dispositions,
// read-only files and sharing between the handles of this process.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "caller_text.h"
#include "file_errors.h"
#include "file_info.h"
#include "platform/boundary.h"
#include "platform/file_object.h"
#include "share_modes.h"
#include "platform/unique_fd.h"
#include "win32/files.h"

namespace platform::files {

namespace {

class OpenFile final : public FileObject {
public:
    OpenFile(UniqueFd fd, bool read, bool write, std::unique_ptr<ShareEntry> share)
        : m_share(std::move(share)), m_fd(std::move(fd)), m_read(read), m_write(write) {}

    int descriptor() const noexcept override { return m_fd.get(); }
    bool canRead() const noexcept override { return m_read; }
    bool canWrite() const noexcept override { return m_write; }

private:
    std::unique_ptr<ShareEntry> m_share;  // released after the descriptor closes
    UniqueFd m_fd;
    bool m_read;
    bool m_write;
};

struct Opened {
    UniqueFd fd;
    bool created;
};

// The create-or-open dispositions learn whether the file was there; a file
// that vanishes between the two attempts is tried again.
Opened openByDisposition(const fs::path& p, int flags, mode_t mode, DWORD disposition) {
    const bool mayCreate = disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    const bool mayOpen = disposition != CREATE_NEW;
    for (int attempt = 0; attempt < 16; ++attempt) {
        if (mayCreate) {
            const int fd = ::open(p.c_str(), flags | O_CREAT | O_EXCL, mode);
            if (fd >= 0) return {UniqueFd(fd), true};
            if (errno != EEXIST) throwPathError(p, "open", errno);
            if (!mayOpen) throw WinError(ERROR_FILE_EXISTS, "file exists: " + p.string());
        }
        const int fd = ::open(p.c_str(), flags);
        if (fd >= 0) return {UniqueFd(fd), false};
        if (errno != ENOENT || !mayCreate) throwPathError(p, "open", errno);
    }
    throw WinError(ERROR_SHARING_VIOLATION, "file keeps appearing and vanishing: " + p.string());
}

void adviseAccessPattern(int fd, DWORD flags) noexcept {
    if (flags & FILE_FLAG_SEQUENTIAL_SCAN) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (flags & FILE_FLAG_RANDOM_ACCESS) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
}

HANDLE createFile(const fs::path& p, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING)
        throw WinError(ERROR_INVALID_PARAMETER, "bad creation disposition");
    if (share & ~kShareAll) throw WinError(ERROR_INVALID_PARAMETER, "bad share mode");
    const bool read = access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL);
    const bool write = access & (GENERIC_WRITE | GENERIC_ALL);
    const bool deleteOnClose = flags & FILE_FLAG_DELETE_ON_CLOSE;
    const bool readOnlyWanted = flags & FILE_ATTRIBUTE_READONLY;
    const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (disposition == TRUNCATE_EXISTING && !write)
        throw WinError(ERROR_INVALID_PARAMETER, "TRUNCATE_EXISTING needs GENERIC_WRITE");

    int openFlags = O_CLOEXEC | (write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY);
    if (flags & FILE_FLAG_WRITE_THROUGH) openFlags |= O_DSYNC;
    // The creating handle may write even a file it makes read-only.
    Opened opened = openByDisposition(p, openFlags, readOnlyWanted ? 0444 : 0666, disposition);

    const FileInfo info = infoOfDescriptor(opened.fd.get());
    if (isDirectory(info)) throw WinError(ERROR_ACCESS_DENIED, "is a folder: " + p.string());
    // Checked here, not by the kernel, so that it holds for root as well.
    if (!opened.created && isReadOnly(info) && (write || truncates || deleteOnClose))
        throw WinError(ERROR_ACCESS_DENIED, "file is read-only: " + p.string());

    const DWORD accessBits =
        (read ? kReadAccess : 0) | (write ? kWriteAccess : 0) | (deleteOnClose ? kDeleteAccess : 0);
    auto entry = std::make_unique<ShareEntry>(info.id, accessBits, share, deleteOnClose ? fs::absolute(p) : fs::path());

    if (!opened.created && truncates) {
        if (ftruncate(opened.fd.get(), 0) != 0) throwPathError(p, "ftruncate", errno);
        if (readOnlyWanted && fchmod(opened.fd.get(), info.mode & 07555) != 0) throwPathError(p, "fchmod", errno);
    }
    adviseAccessPattern(opened.fd.get(), flags);

    HANDLE h = addKernelObject(std::make_shared<OpenFile>(std::move(opened.fd), read, write, std::move(entry)));
    if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
        SetLastError(opened.created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return h;
}

template <class Char>
HANDLE createFileOf(const Char* name, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    return winValue(INVALID_HANDLE_VALUE, [&] { return createFile(pathArg(name), access, share, disposition, flags); });
}

}  // namespace

}  // namespace platform::files

// The security attributes and the template file are not used: handles are
// never inherited and new files take the caller's attributes alone.
HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) noexcept {
    return platform::files::createFileOf(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                                         dwFlagsAndAttributes);
}

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) noexcept {
    return platform::files::createFileOf(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                                         dwFlagsAndAttributes);
}
