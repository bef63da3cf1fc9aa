#include "system_cause.h"

#include <system_error>

#include "platform/win_error.h"
#include "win32/error.h"
#include "zip/zip_exception.h"

namespace kydcause {

DWORD ofCurrentException() noexcept {
    try {
        throw;
    } catch (const std::system_error& error) {
        return platform::win32CodeOfErrno(error.code().value());
    } catch (const CZipException& error) {
        // Below the library's own codes: the errno of a disk file.
        if (error.GetCode() > 0 && error.GetCode() < CZipException::generic)
            return platform::win32CodeOfErrno(error.GetCode());
    } catch (...) {
    }
    return ERROR_SUCCESS;
}

int failed(int number, DWORD cause) noexcept {
    SetLastError(cause);
    return number;
}

}  // namespace kydcause
