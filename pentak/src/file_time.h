// Arithmetic on file times (100-nanosecond units since 1601).
#pragma once

#include "win32/types.h"

// The time that many days later (earlier for a negative count).
FILETIME AddDaysToFileTime(const FILETIME& time, int days);
