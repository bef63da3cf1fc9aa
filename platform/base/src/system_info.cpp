// What the system reports about itself: the Windows folder and the memory.
#include <sys/sysinfo.h>

#include <cerrno>

#include "caller_text.h"
#include "platform/boundary.h"
#include "required.h"
#include "win32/process.h"

namespace {

// The user address space of an x86-64 process: 128 TiB less a page.
constexpr ULONGLONG kUserAddressSpace = (ULONGLONG{1} << 47) - 4096;

}  // namespace

UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) noexcept {
    return platform::winValue<UINT>(0, [&] {
        return platform::files::copyWithLength(platform::files::pathText<char16_t>(platform::paths::windowsFolder()),
                                               lpBuffer, uSize);
    });
}

BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX lpBuffer) noexcept {
    return platform::winBool([&] {
        MEMORYSTATUSEX& status = platform::required(lpBuffer);
        if (status.dwLength != sizeof(MEMORYSTATUSEX))
            throw platform::WinError(ERROR_INVALID_PARAMETER, "bad structure size");
        struct sysinfo info {};
        if (sysinfo(&info) != 0) platform::throwErrno(platform::win32CodeOfErrno(errno), "sysinfo", errno);
        const ULONGLONG unit = info.mem_unit;
        status.ullTotalPhys = ULONGLONG{info.totalram} * unit;
        status.ullAvailPhys = (ULONGLONG{info.freeram} + info.bufferram) * unit;
        status.ullTotalPageFile = status.ullTotalPhys + ULONGLONG{info.totalswap} * unit;
        status.ullAvailPageFile = status.ullAvailPhys + ULONGLONG{info.freeswap} * unit;
        status.ullTotalVirtual = kUserAddressSpace;
        status.ullAvailVirtual = kUserAddressSpace;
        status.ullAvailExtendedVirtual = 0;
        status.dwMemoryLoad =
            status.ullTotalPhys ? static_cast<DWORD>(100 - status.ullAvailPhys * 100 / status.ullTotalPhys) : 0;
        return true;
    });
}
