// The thread's last error. Each module carries its own copy of the layer,
// so the value is per thread and per module; the system reads it right
// after the call that set it, inside the same module.
#include "win32/error.h"

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

DWORD GetLastError() noexcept { return t_lastError; }

void SetLastError(DWORD code) noexcept { t_lastError = code; }
