// Events: manual-reset events stay signalled until reset; auto-reset events
// let one waiter through and reset themselves.
#include "dispatcher.h"
#include "named_objects.h"
#include "platform/boundary.h"
#include "win32/sync.h"

namespace platform::sync {

namespace {

class Event final : public Waitable {
public:
    Event(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}

    bool signalledFor(std::thread::id) const override { return m_signalled; }
    bool acquire(std::thread::id) override {
        if (!m_manualReset) m_signalled = false;
        return false;
    }

    void set(bool signalled) {
        auto lock = lockDispatcher();
        m_signalled = signalled;
        if (signalled) notifyWaiters();
    }

private:
    const bool m_manualReset;
    bool m_signalled;
};

HANDLE createEvent(std::u16string_view name, BOOL manualReset, BOOL initialState) {
    return createSyncObject<Event>(name, [&] { return std::make_shared<Event>(manualReset, initialState); });
}

BOOL setEvent(HANDLE h, bool signalled) {
    return winBool([&] {
        kernelObjectAs<Event>(h)->set(signalled);
        return true;
    });
}

}  // namespace

}  // namespace platform::sync

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) noexcept {
    return platform::winValue<HANDLE>(nullptr, [&] { return platform::sync::createEvent(platform::sync::nameOf(lpName), bManualReset, bInitialState); });
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) noexcept {
    return platform::winValue<HANDLE>(nullptr, [&] { return platform::sync::createEvent(platform::sync::nameOf(lpName), bManualReset, bInitialState); });
}

BOOL SetEvent(HANDLE hEvent) noexcept { return platform::sync::setEvent(hEvent, true); }

BOOL ResetEvent(HANDLE hEvent) noexcept { return platform::sync::setEvent(hEvent, false); }
