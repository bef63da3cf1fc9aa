// WaitForSingleObject and WaitForMultipleObjects over any waitable kernel
// object. Events and mutexes are waited for through the dispatcher; objects
// of other kinds (threads, processes) only through their own wait(), and
// once signalled they stay so, which lets a wait for all take them first.
#include <algorithm>
#include <span>
#include <vector>

#include "dispatcher.h"
#include "platform/boundary.h"
#include "win32/sync.h"

namespace platform::sync {

namespace {

// How often a wait for any of mixed objects looks at the others again.
constexpr DWORD kPollMs = 5;

struct WaitList {
    std::vector<std::shared_ptr<KernelObject>> objects;  // keeps them alive during the wait
    std::vector<Waitable*> dispatched;                    // the events and mutexes among them
    std::vector<std::size_t> dispatchedIndex;             // their places in the caller's array
};

WaitList waitListOf(std::span<const HANDLE> handles, bool all) {
    WaitList list;
    for (HANDLE h : handles) {
        auto object = kernelObject(h);
        if (!object->waitable()) throwInvalidHandle();
        if (all && std::find(list.objects.begin(), list.objects.end(), object) != list.objects.end())
            throw WinError(ERROR_INVALID_PARAMETER, "one object twice in a wait for all");
        if (auto* waitable = dynamic_cast<Waitable*>(object.get())) {
            list.dispatched.push_back(waitable);
            list.dispatchedIndex.push_back(list.objects.size());
        }
        list.objects.push_back(std::move(object));
    }
    return list;
}

// Maps a result for the dispatched subset back to the caller's index.
DWORD inCallerIndex(const WaitList& list, DWORD result) {
    if (result == WAIT_TIMEOUT) return result;
    const DWORD base = result >= WAIT_ABANDONED_0 ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
    return base + static_cast<DWORD>(list.dispatchedIndex[result - base]);
}

DWORD waitAllMixed(const WaitList& list, DWORD timeoutMs) {
    const Deadline deadline(timeoutMs);
    for (const auto& object : list.objects)
        if (!dynamic_cast<Waitable*>(object.get()) && !object->wait(deadline.remainingMs())) return WAIT_TIMEOUT;
    if (list.dispatched.empty()) return WAIT_OBJECT_0;
    const DWORD result = waitFor(list.dispatched, true, deadline.remainingMs());
    return result == WAIT_OBJECT_0 ? result : inCallerIndex(list, result);
}

DWORD waitAnyMixed(const WaitList& list, DWORD timeoutMs) {
    const Deadline deadline(timeoutMs);
    for (;;) {
        for (std::size_t i = 0; i < list.objects.size(); ++i) {
            if (auto* waitable = dynamic_cast<Waitable*>(list.objects[i].get())) {
                Waitable* const one[] = {waitable};
                const DWORD result = waitFor(one, false, 0);
                if (result != WAIT_TIMEOUT) return result + static_cast<DWORD>(i);
            } else if (list.objects[i]->wait(0)) {
                return WAIT_OBJECT_0 + static_cast<DWORD>(i);
            }
        }
        const DWORD left = deadline.remainingMs();
        if (left == 0) return WAIT_TIMEOUT;
        auto lock = lockDispatcher();
        awaitChange(lock, std::min(left, kPollMs));
    }
}

DWORD waitForHandles(std::span<const HANDLE> handles, bool all, DWORD timeoutMs) {
    if (handles.empty() || handles.size() > MAXIMUM_WAIT_OBJECTS)
        throw WinError(ERROR_INVALID_PARAMETER, "handle count out of range");
    const WaitList list = waitListOf(handles, all);
    if (list.dispatched.size() == list.objects.size()) return waitFor(list.dispatched, all, timeoutMs);
    if (list.objects.size() == 1) return list.objects[0]->wait(timeoutMs) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    return all ? waitAllMixed(list, timeoutMs) : waitAnyMixed(list, timeoutMs);
}

}  // namespace

}  // namespace platform::sync

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) noexcept {
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) noexcept {
    return platform::winValue(WAIT_FAILED, [&] {
        return platform::sync::waitForHandles({lpHandles, lpHandles ? nCount : 0}, bWaitAll, dwMilliseconds);
    });
}
