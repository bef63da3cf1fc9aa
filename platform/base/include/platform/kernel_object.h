// Kernel objects behind HANDLE: files, find searches, events, mutexes,
// threads, processes and file mappings share one table, so CloseHandle and
// WaitForSingleObject work on any of them and a stale handle gives
// ERROR_INVALID_HANDLE.
#pragma once

#include <memory>

#include "win32/types.h"

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Waitable objects override these; the default is "not waitable".
    virtual bool waitable() const noexcept { return false; }
    // Waits up to timeoutMs (INFINITE for ever); true when signalled (and,
    // for auto-reset events and mutexes, acquired).
    virtual bool wait(DWORD timeoutMs);
};

[[noreturn]] void throwInvalidHandle();
HANDLE addKernelObject(std::shared_ptr<KernelObject> obj);
// Throws WinError(ERROR_INVALID_HANDLE) for an unknown handle.
std::shared_ptr<KernelObject> kernelObject(HANDLE h);
// The object as the derived type, or WinError(ERROR_INVALID_HANDLE).
template <class T>
std::shared_ptr<T> kernelObjectAs(HANDLE h) {
    auto obj = std::dynamic_pointer_cast<T>(kernelObject(h));
    if (!obj) throwInvalidHandle();
    return obj;
}

}  // namespace platform
