// Events, mutexes, waits, handle duplication, critical sections and the
// Interlocked functions, across threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <thread>
#include <vector>

#include "platform/kernel_object.h"
#include "win32/error.h"
#include "win32/sync.h"

namespace {

using namespace std::chrono_literals;

// A handle closed when the test ends.
struct Handle {
    explicit Handle(HANDLE h) : value(h) {}
    ~Handle() {
        if (value) CloseHandle(value);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE value;
};

// A waitable object of another kind, as threads and processes are.
class Flag final : public platform::KernelObject {
public:
    bool waitable() const noexcept override { return true; }
    bool wait(DWORD timeoutMs) override {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            if (raised) return true;
            std::this_thread::sleep_for(1ms);
        } while (std::chrono::steady_clock::now() < until);
        return raised.load();
    }
    std::atomic<bool> raised{false};
};

class NotWaitable final : public platform::KernelObject {};

TEST(Events, AutoResetLetsOneWaiterThroughPerSet) {
    Handle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_NE(nullptr, event.value);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(event.value, 5000) == WAIT_OBJECT_0) ++woken;
        });
    std::this_thread::sleep_for(50ms);
    for (int expected = 1; expected <= 3; ++expected) {
        EXPECT_TRUE(SetEvent(event.value));
        // The waiter let through may be slow to run on a busy machine; a
        // second one let through by the same set would count meanwhile.
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (woken < expected && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(expected, woken.load());
    }
    for (auto& t : waiters) t.join();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.value, 0));
    SetEvent(event.value);  // with nobody waiting it stays signalled for the next wait
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.value, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.value, 0));
}

TEST(Events, ManualResetReleasesEveryWaiterUntilReset) {
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(event.value, INFINITE) == WAIT_OBJECT_0) ++woken;
        });
    std::this_thread::sleep_for(50ms);
    SetEvent(event.value);
    for (auto& t : waiters) t.join();
    EXPECT_EQ(3, woken.load());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.value, 0));
    EXPECT_TRUE(ResetEvent(event.value));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.value, 60));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 55ms);
}

TEST(Events, InitialStateIsHonoured) {
    Handle event(CreateEventW(nullptr, FALSE, TRUE, nullptr));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.value, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.value, 0));
}

TEST(Events, NamedEventsAreSharedWhileAHandleIsOpen) {
    SetLastError(ERROR_ALREADY_EXISTS);
    Handle first(CreateEventW(nullptr, TRUE, FALSE, u"tesk-shared-event"));
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    {
        Handle second(CreateEventA(nullptr, FALSE, TRUE, "tesk-shared-event"));  // flags of an existing event are ignored
        EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
        EXPECT_NE(first.value, second.value);
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(second.value, 0));
        SetEvent(first.value);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.value, 0));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.value, 0));  // manual reset, as created
    }
    CloseHandle(first.value);
    first.value = nullptr;
    Handle again(CreateEventW(nullptr, FALSE, FALSE, u"tesk-shared-event"));
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(again.value, 0));
}

TEST(Events, ANameHeldByAMutexIsRefused) {
    Handle mutex(CreateMutexW(nullptr, FALSE, u"tesk-taken-name"));
    EXPECT_EQ(nullptr, CreateEventW(nullptr, FALSE, FALSE, u"tesk-taken-name"));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_FALSE(SetEvent(mutex.value));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(Mutexes, OwnershipIsRecursiveAndPerThread) {
    Handle mutex(CreateMutexW(nullptr, TRUE, nullptr));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex.value, 0));  // owned twice now
    const auto otherThreadGets = [&] {
        DWORD result = WAIT_FAILED;
        std::thread([&] {
            result = WaitForSingleObject(mutex.value, 20);
            if (result == WAIT_OBJECT_0) ReleaseMutex(mutex.value);
        }).join();
        return result;
    };
    EXPECT_EQ(WAIT_TIMEOUT, otherThreadGets());
    EXPECT_TRUE(ReleaseMutex(mutex.value));
    EXPECT_EQ(WAIT_TIMEOUT, otherThreadGets());
    EXPECT_TRUE(ReleaseMutex(mutex.value));
    EXPECT_EQ(WAIT_OBJECT_0, otherThreadGets());
}

TEST(Mutexes, ReleaseByAThreadThatDoesNotOwnItFails) {
    Handle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    BOOL released = TRUE;
    DWORD error = 0;
    std::thread([&] {
        released = ReleaseMutex(mutex.value);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(released);
    EXPECT_EQ(ERROR_NOT_OWNER, error);
    EXPECT_TRUE(ReleaseMutex(mutex.value));
    EXPECT_FALSE(ReleaseMutex(mutex.value));
    EXPECT_EQ(ERROR_NOT_OWNER, GetLastError());
}

TEST(Mutexes, AMutexLeftByAnEndedThreadIsAbandonedNotLost) {
    Handle mutex(CreateMutexW(nullptr, FALSE, nullptr));
    std::thread([&] { WaitForSingleObject(mutex.value, INFINITE); }).join();
    EXPECT_EQ(WAIT_ABANDONED_0, WaitForSingleObject(mutex.value, 1000));
    EXPECT_TRUE(ReleaseMutex(mutex.value));  // the waiter owns it now
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex.value, 0));
    ReleaseMutex(mutex.value);
}

TEST(Waits, WaitForAnyGivesTheLowestSignalledIndex) {
    Handle a(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Handle b(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    Handle c(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    const HANDLE all[] = {a.value, b.value, c.value};
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(3, all, FALSE, 0));
    ResetEvent(b.value);
    ResetEvent(c.value);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(3, all, FALSE, 10));
    std::thread setter([&] {
        std::this_thread::sleep_for(30ms);
        SetEvent(c.value);
    });
    EXPECT_EQ(WAIT_OBJECT_0 + 2, WaitForMultipleObjects(3, all, FALSE, 2000));
    setter.join();
}

TEST(Waits, WaitForAllTakesEveryObjectAtOnceOrNone) {
    Handle first(CreateEventW(nullptr, FALSE, TRUE, nullptr));
    Handle second(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    Handle mutex(CreateMutexW(nullptr, FALSE, nullptr));
    const HANDLE all[] = {first.value, second.value, mutex.value};
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(3, all, TRUE, 20));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first.value, 0));  // not taken by the failed wait
    SetEvent(first.value);
    std::thread setter([&] {
        std::this_thread::sleep_for(30ms);
        SetEvent(second.value);
    });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(3, all, TRUE, 2000));
    setter.join();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(first.value, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(second.value, 0));
    EXPECT_TRUE(ReleaseMutex(mutex.value));
}

TEST(Waits, MixWithObjectsOfOtherKinds) {
    auto flag = std::make_shared<Flag>();
    Handle flagHandle(platform::addKernelObject(flag));
    Handle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const HANDLE both[] = {flagHandle.value, event.value};
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, both, FALSE, 20));
    SetEvent(event.value);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, both, FALSE, 1000));
    SetEvent(event.value);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, both, TRUE, 20));
    flag->raised = true;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, both, TRUE, 1000));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event.value, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(flagHandle.value, 0));
}

TEST(Waits, BadArgumentsFailWithTheWindowsCodes) {
    Handle event(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    Handle plain(platform::addKernelObject(std::make_shared<NotWaitable>()));
    const HANDLE twice[] = {event.value, event.value};
    const HANDLE forged = reinterpret_cast<HANDLE>(0x7777);
    std::vector<HANDLE> tooMany(MAXIMUM_WAIT_OBJECTS + 1, event.value);

    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(forged, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(plain.value, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, twice, TRUE, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, twice, FALSE, 0));
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(0, twice, FALSE, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(static_cast<DWORD>(tooMany.size()), tooMany.data(), FALSE, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(1, nullptr, FALSE, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(DuplicateHandle, TheCopyOutlivesTheOriginalAndCanCloseIt) {
    const HANDLE self = INVALID_HANDLE_VALUE;  // GetCurrentProcess()
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(self, event, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_NE(event, copy);
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_TRUE(SetEvent(copy));

    HANDLE moved = nullptr;
    ASSERT_TRUE(DuplicateHandle(self, copy, self, &moved, 0, FALSE, DUPLICATE_CLOSE_SOURCE));
    EXPECT_FALSE(CloseHandle(copy));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(moved, 0));
    EXPECT_TRUE(CloseHandle(moved));

    HANDLE none = nullptr;
    EXPECT_FALSE(DuplicateHandle(self, moved, self, &none, 0, FALSE, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    Handle other(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(DuplicateHandle(reinterpret_cast<HANDLE>(0x1234), other.value, self, &none, 0, FALSE, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(CriticalSections, ExcludeOtherThreadsAndNest) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long counter = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&cs);
                EnterCriticalSection(&cs);
                ++counter;
                LeaveCriticalSection(&cs);
                LeaveCriticalSection(&cs);
            }
        });
    for (auto& t : workers) t.join();
    EXPECT_EQ(80000, counter);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSections, ALeaveByAnotherThreadDoesNotUnlock) {
    CRITICAL_SECTION cs;
    ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&cs, 4000));
    EnterCriticalSection(&cs);
    BOOL enteredAfterForeignLeave = TRUE;
    std::thread([&] {
        LeaveCriticalSection(&cs);
        enteredAfterForeignLeave = TryEnterCriticalSection(&cs);
    }).join();
    EXPECT_FALSE(enteredAfterForeignLeave);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));  // nested entry by the owner
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    BOOL enteredAfterRelease = FALSE;
    std::thread([&] {
        enteredAfterRelease = TryEnterCriticalSection(&cs);
        LeaveCriticalSection(&cs);
    }).join();
    EXPECT_TRUE(enteredAfterRelease);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSections, AZeroedSectionWorksAndNullIsIgnored) {
    static CRITICAL_SECTION never;  // zeroed, never initialised
    EnterCriticalSection(&never);
    BOOL other = TRUE;
    std::thread([&] { other = TryEnterCriticalSection(&never); }).join();
    EXPECT_FALSE(other);
    LeaveCriticalSection(&never);
    DeleteCriticalSection(&never);
    EnterCriticalSection(nullptr);
    LeaveCriticalSection(nullptr);
    EXPECT_FALSE(TryEnterCriticalSection(nullptr));
}

TEST(Interlocked, CountsAcrossThreadsAndWrapsAround) {
    LONG volatile value = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 50000; ++i) {
                InterlockedIncrement(&value);
                InterlockedIncrement(&value);
                InterlockedDecrement(&value);
            }
        });
    for (auto& t : workers) t.join();
    EXPECT_EQ(200000, value);

    value = std::numeric_limits<LONG>::max();
    EXPECT_EQ(std::numeric_limits<LONG>::min(), InterlockedIncrement(&value));
    EXPECT_EQ(std::numeric_limits<LONG>::min(), InterlockedExchange(&value, 5));
    EXPECT_EQ(5, InterlockedCompareExchange(&value, 9, 4));
    EXPECT_EQ(5, value);
    EXPECT_EQ(5, InterlockedCompareExchange(&value, 9, 5));
    EXPECT_EQ(9, value);
}

}  // namespace
