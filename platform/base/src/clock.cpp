// The layer's clock: "now" for every time function, which tests may fix, and
// the tick counters, which always run (time-outs must keep working while a
// test holds the calendar still).
#include "platform/clock.h"

#include <time.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "win32/datetime.h"

namespace platform::clock {

namespace {
// No valid FILETIME reaches this value, so it marks a running clock.
constexpr ULONGLONG kRunning = ~0ull;
std::atomic<ULONGLONG> g_fixed{kRunning};
// The last second a FILETIME holds.
constexpr unsigned long long kLatestSecond = (~0ull - kUnixEpochAsFileTime) / 10000000ull - 1;
// The second PLATFORM_CLOCK holds (seconds since 1970, UTC), for a test
// that holds the calendar of every module of a process and of the
// processes it starts; kRunning when it holds none.
ULONGLONG heldByEnvironment() noexcept {
    const char* held = std::getenv("PLATFORM_CLOCK");
    if (!held || *held < '0' || *held > '9') return kRunning;
    const int callersError = errno;
    char* end = nullptr;
    const unsigned long long seconds = std::strtoull(held, &end, 10);  // too large: ULLONG_MAX
    errno = callersError;
    if (*end != '\0' || seconds > kLatestSecond) return kRunning;
    return kUnixEpochAsFileTime + seconds * 10000000ull;
}

}  // namespace

ULONGLONG nowFileTime() noexcept {
    const ULONGLONG fixed = g_fixed.load();
    if (fixed != kRunning) return fixed;
    if (const ULONGLONG held = heldByEnvironment(); held != kRunning) return held;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return kUnixEpochAsFileTime + static_cast<ULONGLONG>(ts.tv_sec) * 10000000ull +
           static_cast<ULONGLONG>(ts.tv_nsec) / 100u;
}

void setForTests(std::optional<ULONGLONG> fileTime) noexcept { g_fixed.store(fileTime.value_or(kRunning)); }

}  // namespace platform::clock

// Milliseconds since the machine started, as Windows counts them.
ULONGLONG GetTickCount64() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<ULONGLONG>(ts.tv_sec) * 1000u + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000u;
}

// Wraps around after 49.7 days, as on Windows.
DWORD GetTickCount() noexcept { return static_cast<DWORD>(GetTickCount64()); }

void Sleep(DWORD dwMilliseconds) noexcept {
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (dwMilliseconds == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}
