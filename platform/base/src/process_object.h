// A process behind a HANDLE, watched through a pidfd: waitable, and for a
// process this one started, its exit code.
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <optional>

#include "platform/kernel_object.h"
#include "platform/unique_fd.h"

namespace platform::process {

class ProcessObject final : public KernelObject {
public:
    // Throws WinError(ERROR_INVALID_PARAMETER) when no such process runs.
    ProcessObject(pid_t pid, bool child);
    bool waitable() const noexcept override { return true; }
    bool wait(DWORD timeoutMs) override;
    // STILL_ACTIVE while it runs; for a process not started here the code
    // cannot be had (ERROR_ACCESS_DENIED).
    DWORD exitCode();

private:
    files::UniqueFd m_pidfd;
    pid_t m_pid;
    bool m_child;
    std::mutex m_lock;
    std::optional<DWORD> m_exitCode;
};

}  // namespace platform::process
