// Threads behind handles: the routine's parameter, id and exit code, and
// the handle waited for alone and among events.
#include <gtest/gtest.h>

#include "win32/error.h"
#include "win32/threads.h"

namespace {

struct Work {
    HANDLE go;
    DWORD seenId = 0;
};

DWORD waitThenAnswer(LPVOID data) {
    auto* work = static_cast<Work*>(data);
    work->seenId = GetCurrentThreadId();
    return WaitForSingleObject(work->go, 10000) == WAIT_OBJECT_0 ? 42 : 7;
}

TEST(Threads, RunTheRoutineAndAreWaitedForUntilItReturns) {
    Work work{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD id = 0;
    const HANDLE thread = CreateThread(nullptr, 0, waitThenAnswer, &work, 0, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_NE(GetCurrentThreadId(), id);

    DWORD code = 0;
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 50));
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(STILL_ACTIVE, code);

    // Among other objects the thread counts by its place, and stays signalled.
    const HANDLE idle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const HANDLE both[] = {idle, thread};
    SetEvent(work.go);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, both, FALSE, 5000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(42u, code);
    EXPECT_EQ(id, work.seenId);

    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_TRUE(CloseHandle(idle));
    EXPECT_TRUE(CloseHandle(work.go));
}

TEST(Threads, RefuseWhatCannotBeStartedOrRead) {
    EXPECT_EQ(nullptr, CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    Work work{CreateEventW(nullptr, TRUE, TRUE, nullptr)};
    EXPECT_EQ(nullptr, CreateThread(nullptr, 0, waitThenAnswer, &work, CREATE_SUSPENDED, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeThread(work.go, &code));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    CloseHandle(work.go);
}

}  // namespace
