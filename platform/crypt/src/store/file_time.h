// FILETIME as one number of 100 ns ticks, for comparing times.
#pragma once

#include "win32/types.h"

namespace platform::crypt::store {

inline ULONGLONG ticksOf(const FILETIME& ft) { return ULONGLONG{ft.dwHighDateTime} << 32 | ft.dwLowDateTime; }

}  // namespace platform::crypt::store
