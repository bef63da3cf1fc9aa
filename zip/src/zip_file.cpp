// CZipFile over POSIX descriptors, the Linux form of the run-time library's
// numbered files. Reads and writes loop until done, since a descriptor may
// transfer fewer bytes than asked before its end (pipes, signals).
#include "zip/zip_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "win_calls.h"
#include "zip/zip_exception.h"

namespace {

int openFlagsOf(std::uint32_t flags) {
    int access = O_RDONLY;
    switch (flags & 0x3) {
    case CZipFile::modeWrite: access = O_WRONLY; break;
    case CZipFile::modeReadWrite: access = O_RDWR; break;
    default: break;
    }
    int result = access | O_CLOEXEC;
    if (flags & CZipFile::modeCreate) result |= O_CREAT;
    if (!(flags & CZipFile::modeNoTruncate) && access != O_RDONLY) result |= O_TRUNC;
    return result;
}

}  // namespace

CZipFile::CZipFile(const CZipString& path) { Open(path, modeCreate | shareDenyWrite | modeWrite, true); }

CZipFile::~CZipFile() {
    if (m_hFile != -1) ::close(m_hFile);
}

bool CZipFile::Open(const CZipString& path, std::uint32_t flags, bool throwOnError) {
    if (!IsClosed()) Close();
    int fd = -1;
    try {
        fd = ::open(zipwin::linuxPath(path.c_str()).c_str(), openFlagsOf(flags), 0666);
    } catch (...) {
        errno = EINVAL;  // a path the layer cannot convert
    }
    if (fd == -1) {
        if (throwOnError) CZipException::Throw(errno, path);
        return false;
    }
    m_hFile = fd;
    m_szFileName = path;
    return true;
}

void CZipFile::Close() {
    if (IsClosed()) return;
    const int fd = m_hFile;
    m_hFile = -1;
    if (::close(fd) != 0) ThrowFromErrno();
    m_szFileName.Clear();
}

void CZipFile::Flush() {
    if (::fsync(m_hFile) != 0) ThrowFromErrno();
}

ZIP_FILE_USIZE CZipFile::GetPosition() const {
    const off_t position = ::lseek(m_hFile, 0, SEEK_CUR);
    if (position == -1) ThrowFromErrno();
    return static_cast<ZIP_FILE_USIZE>(position);
}

ZIP_FILE_USIZE CZipFile::Seek(ZIP_FILE_SIZE offset, int origin) {
    const off_t position = ::lseek(m_hFile, offset, origin);
    if (position == -1) ThrowFromErrno();
    return static_cast<ZIP_FILE_USIZE>(position);
}

ZIP_FILE_USIZE CZipFile::GetLength() const {
    struct stat info {};
    if (::fstat(m_hFile, &info) != 0) ThrowFromErrno();
    return static_cast<ZIP_FILE_USIZE>(info.st_size);
}

void CZipFile::SetLength(ZIP_FILE_USIZE length) {
    if (::ftruncate(m_hFile, static_cast<off_t>(length)) != 0) ThrowFromErrno();
}

std::uint32_t CZipFile::Read(void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_hFile, static_cast<char*>(buffer) + done, count - done);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            ThrowFromErrno();
        }
        done += static_cast<std::uint32_t>(got);
    }
    return done;
}

void CZipFile::Write(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_hFile, static_cast<const char*>(buffer) + done, count - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            ThrowFromErrno();
        }
        if (put == 0) {
            errno = ENOSPC;
            ThrowFromErrno();
        }
        done += static_cast<std::uint32_t>(put);
    }
}

void CZipFile::ThrowFromErrno() const { CZipException::Throw(errno, m_szFileName); }
