// The process's table of kernel objects, and CloseHandle and DuplicateHandle,
// which work on any of them.
#include "platform/kernel_object.h"

#include "platform/boundary.h"
#include "platform/handle_table.h"
#include "win32/sync.h"

namespace platform {

// The one table behind every HANDLE of the process.
static HandleTable<KernelObject>& kernelTable() {
    static HandleTable<KernelObject> objects(ERROR_INVALID_HANDLE);
    return objects;
}

bool KernelObject::wait(DWORD) { throw WinError(ERROR_INVALID_HANDLE, "object cannot be waited on"); }

void throwInvalidHandle() { throw WinError(ERROR_INVALID_HANDLE, "invalid handle"); }

HANDLE addKernelObject(std::shared_ptr<KernelObject> obj) {
    return reinterpret_cast<HANDLE>(kernelTable().add(std::move(obj)));
}

std::shared_ptr<KernelObject> kernelObject(HANDLE h) { return kernelTable().get(reinterpret_cast<ULONG_PTR>(h)); }

}  // namespace platform

BOOL CloseHandle(HANDLE hObject) noexcept {
    return platform::winBool([&] {
        platform::kernelTable().remove(reinterpret_cast<ULONG_PTR>(hObject));
        return true;
    });
}

BOOL DuplicateHandle(HANDLE hSourceProcess, HANDLE hSource, HANDLE hTargetProcess, LPHANDLE lpTarget, DWORD, BOOL,
                     DWORD dwOptions) noexcept {
    return platform::winBool([&] {
        // The pseudo handle of the current process, as GetCurrentProcess returns it on Windows.
        const HANDLE currentProcess = INVALID_HANDLE_VALUE;
        if (hSourceProcess != currentProcess || hTargetProcess != currentProcess)
            throw platform::WinError(ERROR_INVALID_HANDLE, "handles are duplicated within the current process only");
        const ULONG_PTR source = reinterpret_cast<ULONG_PTR>(hSource);
        auto object = (dwOptions & DUPLICATE_CLOSE_SOURCE) ? platform::kernelTable().remove(source)
                                                           : platform::kernelTable().get(source);
        if (lpTarget) *lpTarget = platform::addKernelObject(std::move(object));
        return true;
    });
}
