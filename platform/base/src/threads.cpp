// CreateThread and GetExitCodeThread: a POSIX thread per call, its end
// and exit code kept in a waitable object behind the handle.
#include <pthread.h>
#include <unistd.h>

#include <future>
#include <memory>

#include "dispatcher.h"
#include "platform/boundary.h"
#include "platform/thread_end.h"
#include "platform/win_error.h"
#include "win32/threads.h"

namespace platform::threads {

namespace {

// Signalled once the routine has returned; never taken by a wait.
class ThreadObject final : public sync::Waitable {
public:
    bool signalledFor(std::thread::id) const override { return m_ended; }
    bool acquire(std::thread::id) override { return false; }

    void finish(DWORD code) {
        auto lock = sync::lockDispatcher();
        m_code = code;
        m_ended = true;
        sync::notifyWaiters();
    }
    DWORD exitCode() {
        auto lock = sync::lockDispatcher();
        return m_ended ? m_code : STILL_ACTIVE;
    }

private:
    bool m_ended = false;
    DWORD m_code = 0;
};

struct Start {
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
    std::shared_ptr<ThreadObject> object;
    std::promise<DWORD> id;
};

void* runThread(void* data) {
    std::unique_ptr<Start> start(static_cast<Start*>(data));
    const auto object = start->object;
    const auto routine = start->routine;
    void* const parameter = start->parameter;
    start->id.set_value(GetCurrentThreadId());
    start.reset();
    const DWORD code = routine(parameter);
    runThreadEnd();
    object->finish(code);
    return nullptr;
}

HANDLE createThread(SIZE_T stackSize, LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD flags,
                    LPDWORD threadId) {
    if (!routine || (flags & ~STACK_SIZE_PARAM_IS_A_RESERVATION))
        throw WinError(ERROR_INVALID_PARAMETER, "a thread needs a routine and starts running");
    auto object = std::make_shared<ThreadObject>();
    auto start = std::make_unique<Start>(Start{routine, parameter, object, {}});
    auto id = start->id.get_future();
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize) pthread_attr_setstacksize(&attributes, std::max<SIZE_T>(stackSize, PTHREAD_STACK_MIN));
    pthread_t thread;
    const int failed = pthread_create(&thread, &attributes, runThread, start.get());
    pthread_attr_destroy(&attributes);
    if (failed) throw WinError(ERROR_NOT_ENOUGH_MEMORY, "the system cannot start another thread");
    start.release();
    const DWORD started = id.get();
    if (threadId) *threadId = started;
    return addKernelObject(std::move(object));
}

}  // namespace

}  // namespace platform::threads

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) noexcept {
    return platform::winValue(HANDLE{}, [&] {
        return platform::threads::createThread(dwStackSize, lpStartAddress, lpParameter, dwCreationFlags,
                                               lpThreadId);
    });
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) noexcept {
    return platform::winBool([&] {
        const auto object = platform::kernelObjectAs<platform::threads::ThreadObject>(hThread);
        if (!lpExitCode) throw platform::WinError(ERROR_INVALID_PARAMETER, "no place for the exit code");
        *lpExitCode = object->exitCode();
        return true;
    });
}
