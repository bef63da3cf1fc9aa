#include "dispatcher.h"

#include <condition_variable>

#include "win32/sync.h"

namespace platform::sync {

namespace {

struct Dispatcher {
    std::mutex mutex;
    std::condition_variable changed;
};

Dispatcher& dispatcher() {
    static Dispatcher d;
    return d;
}

// The result for the objects as they are now, taking them when the wait is satisfied.
std::optional<DWORD> tryTake(std::span<Waitable* const> objects, bool all, std::thread::id self) {
    if (!all) {
        for (std::size_t i = 0; i < objects.size(); ++i)
            if (objects[i]->signalledFor(self))
                return static_cast<DWORD>((objects[i]->acquire(self) ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i);
        return std::nullopt;
    }
    for (const auto* object : objects)
        if (!object->signalledFor(self)) return std::nullopt;
    std::optional<DWORD> abandoned;
    for (std::size_t i = 0; i < objects.size(); ++i)
        if (objects[i]->acquire(self) && !abandoned) abandoned = static_cast<DWORD>(WAIT_ABANDONED_0 + i);
    return abandoned.value_or(WAIT_OBJECT_0);
}

}  // namespace

Deadline::Deadline(DWORD timeoutMs) {
    if (timeoutMs != INFINITE) m_at = Clock::now() + std::chrono::milliseconds(timeoutMs);
}

DWORD Deadline::remainingMs() const {
    if (!m_at) return INFINITE;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*m_at - Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

std::unique_lock<std::mutex> lockDispatcher() { return std::unique_lock(dispatcher().mutex); }

void notifyWaiters() noexcept { dispatcher().changed.notify_all(); }

void awaitChange(std::unique_lock<std::mutex>& lock, DWORD timeoutMs) {
    dispatcher().changed.wait_for(lock, std::chrono::milliseconds(timeoutMs));
}

DWORD waitFor(std::span<Waitable* const> objects, bool all, DWORD timeoutMs) {
    const auto self = std::this_thread::get_id();
    const auto deadline = Deadline(timeoutMs).at();
    auto lock = lockDispatcher();
    for (;;) {
        if (const auto result = tryTake(objects, all, self)) return *result;
        if (!deadline) {
            dispatcher().changed.wait(lock);
        } else if (dispatcher().changed.wait_until(lock, *deadline) == std::cv_status::timeout) {
            return tryTake(objects, all, self).value_or(WAIT_TIMEOUT);
        }
    }
}

bool Waitable::wait(DWORD timeoutMs) {
    Waitable* const self[] = {this};
    return waitFor(self, false, timeoutMs) != WAIT_TIMEOUT;
}

}  // namespace platform::sync
