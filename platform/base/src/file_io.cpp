// Reading, writing, the file pointer, size, end of file and times of open
// file handles.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "calendar.h"
#include "file_info.h"
#include "platform/boundary.h"
#include "platform/file_object.h"
#include "required.h"
#include "win32/files.h"

using namespace platform;

namespace {

[[noreturn]] void fail(const char* call) { throwErrno(win32CodeOfErrno(errno), call, errno); }

std::shared_ptr<FileObject> readable(HANDLE h) {
    auto file = fileObject(h);
    if (!file->canRead()) throw WinError(ERROR_ACCESS_DENIED, "handle not opened for reading");
    return file;
}

std::shared_ptr<FileObject> writable(HANDLE h) {
    auto file = fileObject(h);
    if (!file->canWrite()) throw WinError(ERROR_ACCESS_DENIED, "handle not opened for writing");
    return file;
}

// Overlapped operations are not offered: every handle is synchronous.
DWORD& countOut(LPDWORD count, const void* overlapped) {
    if (overlapped) throw WinError(ERROR_INVALID_PARAMETER, "overlapped I/O is not supported");
    DWORD& out = required(count);
    out = 0;
    return out;
}

void checkBuffer(const void* buffer, DWORD size) {
    if (!buffer && size) throw WinError(ERROR_NOACCESS, "null buffer");
}

LONGLONG position(int fd) {
    const off_t pos = lseek(fd, 0, SEEK_CUR);
    if (pos < 0) fail("lseek");
    return pos;
}

// Moves the pointer; a position before the start is ERROR_NEGATIVE_SEEK.
LONGLONG moveTo(int fd, LONGLONG distance, DWORD method) {
    LONGLONG base = 0;
    switch (method) {
        case FILE_BEGIN: break;
        case FILE_CURRENT: base = position(fd); break;
        case FILE_END: base = static_cast<LONGLONG>(files::infoOfDescriptor(fd).size); break;
        default: throw WinError(ERROR_INVALID_PARAMETER, "bad move method");
    }
    LONGLONG target = 0;
    if (__builtin_add_overflow(base, distance, &target)) throw WinError(ERROR_INVALID_PARAMETER, "seek overflow");
    if (target < 0) throw WinError(ERROR_NEGATIVE_SEEK, "seek before the start of the file");
    if (lseek(fd, target, SEEK_SET) < 0) fail("lseek");
    return target;
}

// A result whose value is also the failure marker needs NO_ERROR to tell
// the two apart, as Windows documents for these calls.
DWORD lowPartClearingError(ULONGLONG value) {
    const auto low = static_cast<DWORD>(value);
    if (low == 0xFFFFFFFFu) SetLastError(NO_ERROR);
    return low;
}

bool isUnset(const FILETIME* ft) {
    return !ft || (ft->dwLowDateTime == 0 && ft->dwHighDateTime == 0) ||
           (ft->dwLowDateTime == 0xFFFFFFFFu && ft->dwHighDateTime == 0xFFFFFFFFu);
}

timespec timeToSet(const FILETIME* ft) {
    if (isUnset(ft)) return timespec{0, UTIME_OMIT};
    return calendar::timespecOf(calendar::ticksOf(*ft));
}

}  // namespace

// Reading at or past the end is success with fewer bytes (0 at the end).
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              void* lpOverlapped) noexcept {
    return winBool([&] {
        DWORD& done = countOut(lpNumberOfBytesRead, lpOverlapped);
        checkBuffer(lpBuffer, nNumberOfBytesToRead);
        const int fd = readable(hFile)->descriptor();
        auto* bytes = static_cast<char*>(lpBuffer);
        while (done < nNumberOfBytesToRead) {
            const ssize_t n = ::read(fd, bytes + done, nNumberOfBytesToRead - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) fail("read");
            if (n == 0) break;
            done += static_cast<DWORD>(n);
        }
        return true;
    });
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               void* lpOverlapped) noexcept {
    return winBool([&] {
        DWORD& done = countOut(lpNumberOfBytesWritten, lpOverlapped);
        checkBuffer(lpBuffer, nNumberOfBytesToWrite);
        const int fd = writable(hFile)->descriptor();
        const auto* bytes = static_cast<const char*>(lpBuffer);
        while (done < nNumberOfBytesToWrite) {
            const ssize_t n = ::write(fd, bytes + done, nNumberOfBytesToWrite - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) fail("write");
            done += static_cast<DWORD>(n);
        }
        return true;
    });
}

BOOL FlushFileBuffers(HANDLE hFile) noexcept {
    return winBool([&] {
        if (fsync(writable(hFile)->descriptor()) != 0) fail("fsync");
        return true;
    });
}

// Without lpFileSizeHigh a size of 4 GiB or more is refused
// (ERROR_ARITHMETIC_OVERFLOW) rather than cut to its low part.
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) noexcept {
    return winValue(INVALID_FILE_SIZE, [&] {
        const ULONGLONG size = files::infoOfDescriptor(fileObject(hFile)->descriptor()).size;
        if (lpFileSizeHigh)
            *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
        else if (size > 0xFFFFFFFFull)
            throw WinError(ERROR_ARITHMETIC_OVERFLOW, "file size needs the high part");
        return lowPartClearingError(size);
    });
}

BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize) noexcept {
    return winBool([&] {
        LARGE_INTEGER& out = required(lpFileSize);
        out.QuadPart = static_cast<LONGLONG>(files::infoOfDescriptor(fileObject(hFile)->descriptor()).size);
        return true;
    });
}

// With lpDistanceToMoveHigh the distance is the signed 64-bit pair and the
// new position's high part comes back in it; without, the distance is the
// signed 32-bit value and the new position must fit in 32 bits.
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) noexcept {
    return winValue(INVALID_SET_FILE_POINTER, [&] {
        const int fd = fileObject(hFile)->descriptor();
        LONGLONG distance = lDistanceToMove;
        if (lpDistanceToMoveHigh)
            distance = static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*lpDistanceToMoveHigh)) << 32) |
                                             static_cast<DWORD>(lDistanceToMove));
        const LONGLONG before = position(fd);
        const LONGLONG target = moveTo(fd, distance, dwMoveMethod);
        if (!lpDistanceToMoveHigh && target > 0xFFFFFFFFll) {
            lseek(fd, before, SEEK_SET);
            throw WinError(ERROR_INVALID_PARAMETER, "position needs the high part");
        }
        if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<ULONGLONG>(target) >> 32);
        return lowPartClearingError(static_cast<ULONGLONG>(target));
    });
}

BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, LARGE_INTEGER* lpNewFilePointer,
                      DWORD dwMoveMethod) noexcept {
    return winBool([&] {
        const LONGLONG target = moveTo(fileObject(hFile)->descriptor(), liDistanceToMove.QuadPart, dwMoveMethod);
        if (lpNewFilePointer) lpNewFilePointer->QuadPart = target;
        return true;
    });
}

// Cuts or extends the file to the current position.
BOOL SetEndOfFile(HANDLE hFile) noexcept {
    return winBool([&] {
        const int fd = writable(hFile)->descriptor();
        if (ftruncate(fd, position(fd)) != 0) fail("ftruncate");
        return true;
    });
}

BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                 LPFILETIME lpLastWriteTime) noexcept {
    return winBool([&] {
        const files::FileInfo info = files::infoOfDescriptor(fileObject(hFile)->descriptor());
        if (lpCreationTime) *lpCreationTime = calendar::fileTimeOf(info.creationTime);
        if (lpLastAccessTime) *lpLastAccessTime = calendar::fileTimeOf(info.lastAccessTime);
        if (lpLastWriteTime) *lpLastWriteTime = calendar::fileTimeOf(info.lastWriteTime);
        return true;
    });
}

// A null or zero time (and the all-ones "keep" value) leaves that time as it
// is. Linux keeps no settable creation time, so that one is not changed.
BOOL SetFileTime(HANDLE hFile, const FILETIME*, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime) noexcept {
    return winBool([&] {
        const timespec times[2] = {timeToSet(lpLastAccessTime), timeToSet(lpLastWriteTime)};
        if (futimens(writable(hFile)->descriptor(), times) != 0) fail("futimens");
        return true;
    });
}
