// The one lock and condition behind events and mutexes. Every state change
// and every test of a state happens under it, so a wait for several objects
// sees them at one instant and can take them all at once, as Windows does.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "platform/kernel_object.h"

namespace platform::sync {

class Waitable : public KernelObject {
public:
    bool waitable() const noexcept override { return true; }
    bool wait(DWORD timeoutMs) override;

    // Both are called with the dispatcher lock held.
    virtual bool signalledFor(std::thread::id thread) const = 0;
    // Takes the signalled object for the thread (resets an auto-reset event,
    // owns a mutex); true when it was abandoned by a thread that ended.
    virtual bool acquire(std::thread::id thread) = 0;
};

// A time-out as a point in time, so that waits in steps keep the whole limit.
class Deadline {
public:
    using Clock = std::chrono::steady_clock;
    explicit Deadline(DWORD timeoutMs);
    std::optional<Clock::time_point> at() const noexcept { return m_at; }
    // Milliseconds left (INFINITE for no limit, 0 once passed).
    DWORD remainingMs() const;

private:
    std::optional<Clock::time_point> m_at;
};

std::unique_lock<std::mutex> lockDispatcher();
// Wakes every waiter to look again; call after a state change.
void notifyWaiters() noexcept;
// Sleeps until some state changes or timeoutMs passes; the lock is held again on return.
void awaitChange(std::unique_lock<std::mutex>& lock, DWORD timeoutMs);

// WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i or WAIT_TIMEOUT. Wait-any takes the
// lowest signalled index; wait-all takes every object at once or none.
DWORD waitFor(std::span<Waitable* const> objects, bool all, DWORD timeoutMs);

}  // namespace platform::sync
