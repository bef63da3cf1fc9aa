#include "platform/win_error.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace platform {

DWORD win32CodeOfErrno(int err) noexcept {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY: return ERROR_BUSY;
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    case EIO: return ERROR_GEN_FAILURE;
    case ESPIPE: return ERROR_SEEK;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    default: return ERROR_GEN_FAILURE;
    }
}

void throwErrno(DWORD code, std::string_view call, int err) {
    std::string what(call);
    what += ": ";
    what += std::strerror(err);
    throw WinError(code, what);
}

}  // namespace platform
