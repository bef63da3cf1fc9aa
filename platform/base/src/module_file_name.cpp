// GetModuleFileName: the module's file as wide or ANSI text (refused with
// ERROR_INVALID_NAME when the ANSI page lacks one of its characters). A short buffer
// gets as much as fits with a NUL, the result is nSize and the last error
// ERROR_INSUFFICIENT_BUFFER, as on Windows.
#include "cut_to_fit.h"
#include "platform/ansi_name.h"
#include "platform/boundary.h"
#include "platform/modules.h"
#include "platform/paths.h"
#include "win32/modules.h"

namespace platform::modules {

namespace {

template <class Char>
DWORD copyFileName(std::basic_string_view<Char> name, Char* out, DWORD size) {
    if (!out && size > 0) throw WinError(ERROR_INVALID_PARAMETER, "null buffer");
    if (size == 0) throw WinError(ERROR_INSUFFICIENT_BUFFER, "empty buffer");
    const std::size_t copied = cutToFit(name, out, size);
    if (copied == name.size()) return static_cast<DWORD>(copied);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

}  // namespace

}  // namespace platform::modules

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) noexcept {
    return platform::winValue<DWORD>(0, [&] {
        const std::string name = platform::paths::toAnsiName(platform::modules::fileOf(hModule));
        return platform::modules::copyFileName<char>(name, lpFilename, nSize);
    });
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) noexcept {
    return platform::winValue<DWORD>(0, [&] {
        const std::u16string name = platform::paths::toWide(platform::modules::fileOf(hModule));
        return platform::modules::copyFileName<WCHAR>(name, lpFilename, nSize);
    });
}
