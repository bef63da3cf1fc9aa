// The shell's special folders, as Linux paths under the platform root. The
// folders exist from their first use on, as they always do on Windows, so
// CSIDL_FLAG_CREATE changes nothing.
#include "caller_text.h"
#include "platform/boundary.h"
#include "win32/shell.h"

namespace platform::files {

namespace {

constexpr int kFlagBits = 0xFF00;  // CSIDL_FLAG_CREATE and its kin

fs::path specialFolder(int csidl) {
    switch (csidl & ~kFlagBits) {
        case CSIDL_APPDATA: return paths::roamingAppData();
        case CSIDL_LOCAL_APPDATA: return paths::localAppData();
        case CSIDL_COMMON_APPDATA: return paths::commonAppData();
        case CSIDL_WINDOWS: return paths::windowsFolder();
        case CSIDL_SYSTEM: return paths::systemFolder();
        case CSIDL_PROGRAM_FILES: return paths::programFiles();
        case CSIDL_PERSONAL: return paths::personalFolder();
        case CSIDL_PROFILE: return paths::userProfile();
        default: throw WinError(ERROR_INVALID_PARAMETER, "unknown CSIDL");
    }
}

// pszPath holds MAX_PATH characters, as on Windows.
template <class Char>
void copySpecialFolder(int csidl, Char* out) {
    if (!out) throw WinError(ERROR_INVALID_PARAMETER, "null path buffer");
    copyToBuffer(pathText<Char>(specialFolder(csidl)), out, MAX_PATH);
}

// An unknown CSIDL is E_INVALIDARG; a folder that cannot be made or named
// within MAX_PATH is E_FAIL.
template <class Char>
HRESULT getFolderPath(int csidl, Char* out) {
    return winHr([&] {
        if (!out) return E_INVALIDARG;
        try {
            copySpecialFolder(csidl, out);
        } catch (const WinError& e) {
            if (e.code() == ERROR_INVALID_PARAMETER) throw;
            throw WinError(E_FAIL, e.what());
        }
        return S_OK;
    });
}

template <class Char>
BOOL getSpecialFolderPath(int csidl, Char* out) {
    return winBool([&] {
        copySpecialFolder(csidl, out);
        return true;
    });
}

}  // namespace

}  // namespace platform::files

HRESULT SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD, LPSTR pszPath) noexcept {
    return platform::files::getFolderPath(csidl, pszPath);
}
HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath) noexcept {
    return platform::files::getFolderPath(csidl, pszPath);
}
BOOL SHGetSpecialFolderPathA(HWND, LPSTR pszPath, int csidl, BOOL) noexcept {
    return platform::files::getSpecialFolderPath(csidl, pszPath);
}
BOOL SHGetSpecialFolderPathW(HWND, LPWSTR pszPath, int csidl, BOOL) noexcept {
    return platform::files::getSpecialFolderPath(csidl, pszPath);
}
