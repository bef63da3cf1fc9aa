// file_time.cpp: days added to a file time.
#include "file_time.h"

#include <cstdint>

namespace {

constexpr std::int64_t kTicksPerDay = 864'000'000'000;

}  // namespace

FILETIME AddDaysToFileTime(const FILETIME& time, int days) {
    const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) +
                                static_cast<std::uint64_t>(static_cast<std::int64_t>(days) * kTicksPerDay);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}
