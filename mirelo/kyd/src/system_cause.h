// The system's cause of a failed operation, left as the thread's last error
// when the operation returns its number, as after a Windows call.
#pragma once

#include "win32/types.h"

namespace kydcause {

// The Windows code of the exception being handled: the errno behind a
// system_error or behind a disk file's exception of the ZIP library;
// ERROR_SUCCESS for a fault of the archive itself or anything else.
DWORD ofCurrentException() noexcept;

// Makes the cause the thread's last error and returns the number.
int failed(int number, DWORD cause = 0) noexcept;

}  // namespace kydcause
