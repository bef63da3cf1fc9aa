// The current process and thread, environment variables (names and values
// ANSI or UTF-16 at the boundary, UTF-8 in the environment) and the Windows
// version the layer reports.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <type_traits>

#include "caller_text.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "required.h"
#include "win32/process.h"

namespace platform::process {

namespace {

// getenv and setenv are not safe against each other; the layer's own calls
// take turns.
std::mutex& environmentLock() {
    static std::mutex lock;
    return lock;
}

std::string variableName(const std::string& name) {
    if (name.empty() || name.find('=') != std::string::npos)
        throw WinError(ERROR_INVALID_PARAMETER, "bad environment variable name");
    return name;
}

// An empty value returns 0 like a failure; the last error, 0, tells them apart.
template <class Char>
DWORD getVariable(const Char* name, Char* buffer, DWORD size) {
    return winValue<DWORD>(0, [&] {
        const std::string key = files::utf8Of(&required(name));
        std::string value;
        {
            std::lock_guard lock(environmentLock());
            const char* found = std::getenv(key.c_str());
            if (!found) throw WinError(ERROR_ENVVAR_NOT_FOUND, "no variable " + key);
            value = found;
        }
        const DWORD result = files::copyWithLength(files::callerText<Char>(value), buffer, size);
        if (result == 0) SetLastError(ERROR_SUCCESS);
        return result;
    });
}

// A null value removes the variable.
template <class Char>
BOOL setVariable(const Char* name, const Char* value) {
    return winBool([&] {
        const std::string key = variableName(files::utf8Of(&required(name)));
        std::lock_guard lock(environmentLock());
        const int result = value ? setenv(key.c_str(), files::utf8Of(value).c_str(), 1) : unsetenv(key.c_str());
        if (result != 0) throwErrno(win32CodeOfErrno(errno), "setenv", errno);
        return true;
    });
}

// Names are looked up as they stand: the Linux environment tells case apart.
std::u16string expandVariables(const std::u16string& source) {
    std::u16string out;
    std::size_t at = 0;
    while (at < source.size()) {
        const std::size_t open = source.find(u'%', at);
        const std::size_t close = open == std::u16string::npos ? open : source.find(u'%', open + 1);
        if (close == std::u16string::npos) {
            out.append(source, at);
            break;
        }
        out.append(source, at, open - at);
        const std::u16string name = source.substr(open + 1, close - open - 1);
        const char* value = nullptr;
        std::lock_guard lock(environmentLock());
        if (!name.empty() && name.find(u'=') == std::u16string::npos) value = std::getenv(text::toUtf8(name).c_str());
        if (value)
            out += text::fromUtf8(value);
        else
            out.append(source, open, close - open + 1);
        at = close + 1;
    }
    return out;
}

// Windows 7 Service Pack 1.
template <class Info>
BOOL getVersion(Info* info) {
    return winBool([&] {
        Info& out = required(info);
        if (out.dwOSVersionInfoSize != sizeof(Info)) throw WinError(ERROR_INSUFFICIENT_BUFFER, "bad structure size");
        out.dwMajorVersion = 6;
        out.dwMinorVersion = 1;
        out.dwBuildNumber = 7601;
        out.dwPlatformId = VER_PLATFORM_WIN32_NT;
        using Char = std::remove_extent_t<decltype(out.szCSDVersion)>;
        files::copyToArray(files::callerText<Char>("Service Pack 1"), out.szCSDVersion);
        return true;
    });
}

}  // namespace

}  // namespace platform::process

DWORD GetCurrentProcessId() noexcept { return static_cast<DWORD>(getpid()); }
DWORD GetCurrentThreadId() noexcept { return static_cast<DWORD>(gettid()); }
// The pseudo handle Windows gives for the calling process.
HANDLE GetCurrentProcess() noexcept { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) noexcept {
    return platform::process::getVariable(lpName, lpBuffer, nSize);
}
DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) noexcept {
    return platform::process::getVariable(lpName, lpBuffer, nSize);
}
BOOL SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) noexcept {
    return platform::process::setVariable(lpName, lpValue);
}
BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) noexcept {
    return platform::process::setVariable(lpName, lpValue);
}
DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) noexcept {
    return platform::winValue<DWORD>(0, [&] {
        const std::u16string expanded = platform::process::expandVariables(&platform::required(lpSrc));
        const auto needed = static_cast<DWORD>(expanded.size() + 1);
        if (lpDst && nSize >= needed) std::copy(expanded.c_str(), expanded.c_str() + needed, lpDst);
        return needed;
    });
}
BOOL GetVersionExA(OSVERSIONINFOA* lpVersionInformation) noexcept {
    return platform::process::getVersion(lpVersionInformation);
}
BOOL GetVersionExW(OSVERSIONINFOW* lpVersionInformation) noexcept {
    return platform::process::getVersion(lpVersionInformation);
}
