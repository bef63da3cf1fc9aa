// The thread's last error, as GetLastError/SetLastError keep it on Windows.
#pragma once

#include "win32/error_codes.h"

DWORD GetLastError() noexcept;
void SetLastError(DWORD code) noexcept;
