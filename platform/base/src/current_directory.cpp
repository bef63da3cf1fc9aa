// The process's current folder and GetFullPathName, which resolves "." and
// ".." in the text without looking at the disk, as Windows does.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "caller_text.h"
#include "file_errors.h"
#include "file_info.h"
#include "platform/boundary.h"
#include "win32/files.h"

namespace platform::files {

namespace {

fs::path currentFolder() {
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    if (ec) throwErrno(win32CodeOfErrno(ec.value()), "getcwd", ec.value());
    return cwd;
}

template <class Char>
DWORD getCurrentDirectory(DWORD size, Char* buffer) {
    return winValue<DWORD>(0, [&] { return copyWithLength(pathText<Char>(currentFolder()), buffer, size); });
}

template <class Char>
BOOL setCurrentDirectory(const Char* name) {
    return winBool([&] {
        const fs::path p = pathArg(name);
        if (!isDirectory(infoOfPath(p))) throw WinError(ERROR_DIRECTORY, "not a folder: " + p.string());
        if (chdir(p.c_str()) != 0) throwPathError(p, "chdir", errno);
        return true;
    });
}

// lpFilePart points at the last name in the buffer, or is null when the
// path ends with a separator.
template <class Char>
DWORD getFullPathName(const Char* name, DWORD size, Char* buffer, Char** filePart) {
    return winValue<DWORD>(0, [&] {
        const fs::path p = pathArg(name);
        const fs::path full = (p.is_absolute() ? p : currentFolder() / p).lexically_normal();
        const std::basic_string<Char> text = pathText<Char>(full);
        const DWORD result = copyWithLength(text, buffer, size);
        if (filePart && result == text.size()) {
            const auto slash = text.find_last_of(Char('/'));
            const std::size_t start = slash == std::basic_string<Char>::npos ? 0 : slash + 1;
            *filePart = start < text.size() ? buffer + start : nullptr;
        }
        return result;
    });
}

}  // namespace

}  // namespace platform::files

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) noexcept {
    return platform::files::getCurrentDirectory(nBufferLength, lpBuffer);
}
DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) noexcept {
    return platform::files::getCurrentDirectory(nBufferLength, lpBuffer);
}
BOOL SetCurrentDirectoryA(LPCSTR lpPathName) noexcept { return platform::files::setCurrentDirectory(lpPathName); }
BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) noexcept { return platform::files::setCurrentDirectory(lpPathName); }

DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) noexcept {
    return platform::files::getFullPathName(lpFileName, nBufferLength, lpBuffer, lpFilePart);
}
DWORD GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart) noexcept {
    return platform::files::getFullPathName(lpFileName, nBufferLength, lpBuffer, lpFilePart);
}
