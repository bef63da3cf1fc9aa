// Critical sections: a recursive lock that knows its owner, so that a leave
// by a thread that does not hold it changes nothing instead of unlocking
// another thread's section.
#include <atomic>
#include <mutex>
#include <new>
#include <thread>

#include "platform/win_error.h"
#include "win32/error.h"
#include "win32/sync.h"

namespace {

class RecursiveLock {
public:
    void enter() {
        if (ownedHere()) {
            ++m_count;
            return;
        }
        m_mutex.lock();
        own();
    }

    bool tryEnter() {
        if (ownedHere()) {
            ++m_count;
            return true;
        }
        if (!m_mutex.try_lock()) return false;
        own();
        return true;
    }

    void leave() {
        if (!ownedHere()) return;
        if (--m_count > 0) return;
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
        m_mutex.unlock();
    }

private:
    // Only the owner itself stores its own id, so this test needs no lock.
    bool ownedHere() const { return m_owner.load(std::memory_order_relaxed) == std::this_thread::get_id(); }
    void own() {
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
        m_count = 1;
    }

    std::mutex m_mutex;
    std::atomic<std::thread::id> m_owner;
    unsigned long m_count = 0;
};

std::atomic_ref<void*> implOf(LPCRITICAL_SECTION cs) { return std::atomic_ref<void*>(cs->impl); }

// The section's lock; a zeroed section gets one on first use, raced safely.
RecursiveLock* lockOf(LPCRITICAL_SECTION cs) {
    if (!cs) return nullptr;
    if (auto* existing = static_cast<RecursiveLock*>(implOf(cs).load())) return existing;
    auto* made = new (std::nothrow) RecursiveLock;
    if (!made) return nullptr;
    void* expected = nullptr;
    if (implOf(cs).compare_exchange_strong(expected, made)) return made;
    delete made;
    return static_cast<RecursiveLock*>(expected);
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION cs) noexcept { InitializeCriticalSectionAndSpinCount(cs, 0); }

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD) noexcept {
    if (!cs) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    cs->impl = new (std::nothrow) RecursiveLock;
    if (cs->impl) return TRUE;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

void EnterCriticalSection(LPCRITICAL_SECTION cs) noexcept {
    if (auto* lock = lockOf(cs)) lock->enter();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) noexcept {
    auto* lock = lockOf(cs);
    return lock && lock->tryEnter() ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION cs) noexcept {
    if (!cs) return;
    if (auto* lock = static_cast<RecursiveLock*>(implOf(cs).load())) lock->leave();
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs) noexcept {
    if (!cs) return;
    delete static_cast<RecursiveLock*>(implOf(cs).exchange(nullptr));
}
