// Mutexes: owned by one thread at a time, recursively. The thread-exit hook
// marks the mutexes a thread still owns as abandoned, so that their waiters
// get WAIT_ABANDONED instead of waiting for ever.
#include <algorithm>
#include <utility>
#include <vector>

#include "dispatcher.h"
#include "named_objects.h"
#include "platform/boundary.h"
#include "win32/sync.h"

namespace platform::sync {

namespace {

class Mutex;

// The mutexes the current thread owns; only that thread touches the list.
class OwnedMutexes {
public:
    ~OwnedMutexes();
    void add(std::weak_ptr<Mutex> mutex) { m_items.push_back(std::move(mutex)); }
    void remove(const Mutex* mutex) {
        std::erase_if(m_items, [&](const auto& item) { return item.expired() || item.lock().get() == mutex; });
    }

private:
    std::vector<std::weak_ptr<Mutex>> m_items;
};

thread_local OwnedMutexes t_owned;

class Mutex final : public Waitable, public std::enable_shared_from_this<Mutex> {
public:
    bool signalledFor(std::thread::id thread) const override { return m_owner == std::thread::id() || m_owner == thread; }

    bool acquire(std::thread::id thread) override {
        if (m_owner == thread) {
            ++m_count;
            return false;
        }
        m_owner = thread;
        m_count = 1;
        t_owned.add(weak_from_this());
        return std::exchange(m_abandoned, false);
    }

    void release() {
        auto lock = lockDispatcher();
        if (m_owner != std::this_thread::get_id()) throw WinError(ERROR_NOT_OWNER, "mutex not owned by the caller");
        if (--m_count > 0) return;
        m_owner = std::thread::id();
        t_owned.remove(this);
        notifyWaiters();
    }

    // With the dispatcher lock held, at the end of the thread.
    void abandon(std::thread::id thread) {
        if (m_owner != thread) return;
        m_owner = std::thread::id();
        m_count = 0;
        m_abandoned = true;
    }

private:
    std::thread::id m_owner;
    DWORD m_count = 0;
    bool m_abandoned = false;
};

OwnedMutexes::~OwnedMutexes() {
    if (m_items.empty()) return;
    const auto self = std::this_thread::get_id();
    auto lock = lockDispatcher();
    for (const auto& item : m_items)
        if (auto mutex = item.lock()) mutex->abandon(self);
    notifyWaiters();
}

HANDLE createMutex(std::u16string_view name, BOOL initialOwner) {
    return createSyncObject<Mutex>(name, [&] {
        auto mutex = std::make_shared<Mutex>();
        if (initialOwner) {
            auto lock = lockDispatcher();
            mutex->acquire(std::this_thread::get_id());
        }
        return mutex;
    });
}

}  // namespace

}  // namespace platform::sync

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) noexcept {
    return platform::winValue<HANDLE>(
        nullptr, [&] { return platform::sync::createMutex(platform::sync::nameOf(lpName), bInitialOwner); });
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCWSTR lpName) noexcept {
    return platform::winValue<HANDLE>(
        nullptr, [&] { return platform::sync::createMutex(platform::sync::nameOf(lpName), bInitialOwner); });
}

BOOL ReleaseMutex(HANDLE hMutex) noexcept {
    return platform::winBool([&] {
        platform::kernelObjectAs<platform::sync::Mutex>(hMutex)->release();
        return true;
    });
}
