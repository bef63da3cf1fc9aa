// Processes as kernel objects: OpenProcess on any process id, the exit
// code of the ones this process started, waits through pidfd polling.
#include "process_object.h"

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "dispatcher.h"
#include "platform/boundary.h"
#include "platform/win_error.h"
#include "required.h"
#include "win32/process.h"

namespace platform::process {

ProcessObject::ProcessObject(pid_t pid, bool child)
    : m_pidfd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))), m_pid(pid), m_child(child) {
    if (!m_pidfd) throw WinError(ERROR_INVALID_PARAMETER, "no process " + std::to_string(pid));
}

bool ProcessObject::wait(DWORD timeoutMs) {
    const sync::Deadline deadline(timeoutMs);
    for (;;) {
        const DWORD left = deadline.remainingMs();
        pollfd watched{m_pidfd.get(), POLLIN, 0};
        const int timeout = left == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(left, INT_MAX));
        const int ready = poll(&watched, 1, timeout);
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) throw WinError(ERROR_INVALID_HANDLE, "the process cannot be watched");
    }
}

DWORD ProcessObject::exitCode() {
    if (!m_child) throw WinError(ERROR_ACCESS_DENIED, "the exit code of a process not started here");
    std::lock_guard lock(m_lock);
    if (m_exitCode) return *m_exitCode;
    int status = 0;
    const pid_t ended = waitpid(m_pid, &status, WNOHANG);
    if (ended == 0) return STILL_ACTIVE;
    if (ended != m_pid) throw WinError(ERROR_ACCESS_DENIED, "the process was collected elsewhere");
    // A process ended by a signal reports the signal's number, as a crash
    // reports its exception code: never 0.
    m_exitCode = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : 0x100u + WTERMSIG(status);
    return *m_exitCode;
}

}  // namespace platform::process

HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL, DWORD dwProcessId) noexcept {
    return platform::winValue<HANDLE>(nullptr, [&] {
        if ((dwDesiredAccess & ~(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION)) != 0)
            throw platform::WinError(ERROR_ACCESS_DENIED, "only waiting for a process is granted");
        if (dwProcessId == 0 || dwProcessId > INT_MAX)
            throw platform::WinError(ERROR_INVALID_PARAMETER, "no such process id");
        return platform::addKernelObject(
            std::make_shared<platform::process::ProcessObject>(static_cast<pid_t>(dwProcessId), false));
    });
}

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) noexcept {
    return platform::winBool([&] {
        DWORD& out = platform::required(lpExitCode);
        out = platform::kernelObjectAs<platform::process::ProcessObject>(hProcess)->exitCode();
        return true;
    });
}
