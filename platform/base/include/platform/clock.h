// The layer's one source of "now". Tests may fix it so that time stamps,
// validity checks and log lines are predictable.
#pragma once

#include <optional>

#include "win32/types.h"

namespace platform::clock {

// Current UTC time as FILETIME units (100 ns since 1601): the time fixed by
// setForTests, else the second the environment's PLATFORM_CLOCK holds
// (seconds since 1970), else the system's.
ULONGLONG nowFileTime() noexcept;
// Fixes the clock at the given UTC time (it does not advance), or lets it
// run again with std::nullopt.
void setForTests(std::optional<ULONGLONG> fileTime) noexcept;

inline constexpr ULONGLONG kUnixEpochAsFileTime = 116444736000000000ull;

}  // namespace platform::clock
