// A failed call of another CryptoAPI function, thrown with its last error.
#pragma once

#include "platform/win_error.h"
#include "win32/error.h"

namespace platform::crypt::store {

[[noreturn]] inline void throwLastError(const char* call) { throw WinError(GetLastError(), call); }

}  // namespace platform::crypt::store
