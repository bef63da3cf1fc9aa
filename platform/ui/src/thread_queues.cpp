#include "thread_queues.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/thread_end.h"
#include "platform/win_error.h"
#include "win32/process.h"

namespace platform::ui::queues {

namespace {

using Clock = std::chrono::steady_clock;

struct Sent {
    std::function<void()> work;
    std::function<void()> wakeSender;  // a sender in a foreign loop
    bool done = false;
    std::exception_ptr error;
};

struct Timer {
    HWND window;
    UINT_PTR id;
    Clock::duration interval;
    TIMERPROC routine;
    Clock::time_point due;
};

struct Queue {
    std::deque<std::shared_ptr<Sent>> sent;
    std::deque<MSG> posted;
    std::optional<int> quit;
    std::vector<Timer> timers;
    UINT_PTR nextTimerId = 1;
};

// Never destroyed: threads may still wait on them while the process ends.
struct Queues {
    std::mutex lock;
    std::condition_variable changed;
    std::map<DWORD, std::shared_ptr<Queue>> byThread;
};

Queues& queues() {
    static auto* const kept = new Queues;
    return *kept;
}
thread_local std::optional<ForeignLoop> t_foreignLoop;

void finish(Sent& item) {
    item.done = true;
    queues().changed.notify_all();
    if (item.wakeSender) item.wakeSender();
}

// Takes the thread's queue out of reach; work still waiting for it fails in
// its senders. Once done, nothing more is done.
void leave(DWORD thread) {
    std::lock_guard lock(queues().lock);
    const auto found = queues().byThread.find(thread);
    if (found == queues().byThread.end()) return;
    const std::shared_ptr<Queue> queue = found->second;
    queues().byThread.erase(found);
    for (const auto& item : queue->sent) {
        item->error = std::make_exception_ptr(WinError(ERROR_INVALID_THREAD_ID, "the window's thread ended"));
        finish(*item);
    }
    queue->sent.clear();
}

// The calling thread's queue, made on first use and gone with the thread:
// before its handle is signalled for a thread of CreateThread.
struct ThreadQueue {
    ThreadQueue() : queue(std::make_shared<Queue>()), thread(GetCurrentThreadId()) {
        {
            std::lock_guard lock(queues().lock);
            queues().byThread[thread] = queue;
        }
        platform::threads::atThreadEnd([id = thread] { leave(id); });
    }
    ~ThreadQueue() { leave(thread); }
    std::shared_ptr<Queue> queue;
    DWORD thread;
};

Queue& own() {
    thread_local ThreadQueue mine;
    return *mine.queue;
}

DWORD now() {
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

// Runs the work other threads sent, with the lock given up meanwhile.
void handleSent(Queue& queue, std::unique_lock<std::mutex>& lock) {
    while (!queue.sent.empty()) {
        const auto item = queue.sent.front();
        queue.sent.pop_front();
        lock.unlock();
        try {
            item->work();
        } catch (...) {
            item->error = std::current_exception();
        }
        lock.lock();
        finish(*item);
    }
}

bool matches(const MSG& m, HWND window, UINT first, UINT last) {
    if (window && m.hwnd != window) return false;
    return (first == 0 && last == 0) || (m.message >= first && m.message <= last);
}

// The next message by GetMessage's order, taken when remove.
std::optional<MSG> next(Queue& queue, HWND window, UINT first, UINT last, bool remove) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it)
        if (matches(*it, window, first, last)) {
            const MSG found = *it;
            if (remove) queue.posted.erase(it);
            return found;
        }
    if (queue.quit && !window) {
        const MSG quit{nullptr, WM_QUIT, static_cast<WPARAM>(*queue.quit), 0, now(), {}};
        if (remove) queue.quit.reset();
        return quit;
    }
    const auto at = Clock::now();
    for (auto& timer : queue.timers) {
        MSG tick{timer.window, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.routine), now(), {}};
        if (timer.due <= at && matches(tick, window, first, last)) {
            if (remove) timer.due = at + timer.interval;
            return tick;
        }
    }
    return std::nullopt;
}

std::optional<Clock::time_point> nextDue(const Queue& queue) {
    std::optional<Clock::time_point> due;
    for (const auto& timer : queue.timers)
        if (!due || timer.due < *due) due = timer.due;
    return due;
}

void waitForChange(const Queue& queue, std::unique_lock<std::mutex>& lock) {
    if (const auto due = nextDue(queue))
        queues().changed.wait_until(lock, *due);
    else
        queues().changed.wait(lock);
}

void dispatchUnlocked(const MSG& message, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    try {
        dispatch(message);
    } catch (...) {
        // A message for a window that went meanwhile goes nowhere.
    }
    lock.lock();
}

}  // namespace

void useForeignLoop(ForeignLoop loop) { t_foreignLoop = std::move(loop); }

void runOnThread(DWORD thread, const std::function<void()>& work) {
    if (thread == GetCurrentThreadId()) {
        work();
        return;
    }
    const auto item = std::make_shared<Sent>(Sent{work, t_foreignLoop ? t_foreignLoop->wake : nullptr});
    {
        std::lock_guard lock(queues().lock);
        const auto target = queues().byThread.find(thread);
        if (target == queues().byThread.end()) throw WinError(ERROR_INVALID_THREAD_ID, "the window's thread has ended");
        target->second->sent.push_back(item);
        queues().changed.notify_all();
    }
    if (t_foreignLoop) {
        t_foreignLoop->wait([&] {
            std::lock_guard lock(queues().lock);
            return item->done;
        });
    } else {
        Queue& mine = own();
        std::unique_lock lock(queues().lock);
        while (!item->done) {
            handleSent(mine, lock);
            if (!item->done) queues().changed.wait(lock);
        }
    }
    if (item->error) std::rethrow_exception(item->error);
}

void waitUntil(const std::function<bool()>& done, bool dispatchToo) {
    Queue& mine = own();
    std::unique_lock lock(queues().lock);
    for (;;) {
        handleSent(mine, lock);
        if (done()) return;
        if (dispatchToo) {
            const auto message = next(mine, nullptr, 0, 0, true);
            if (message && message->message != WM_QUIT) {
                dispatchUnlocked(*message, lock);
                continue;
            }
            // WM_QUIT is left for the thread's own loop.
            if (message) mine.quit = static_cast<int>(message->wParam);
        }
        if (!mine.sent.empty()) continue;
        if (dispatchToo)
            waitForChange(mine, lock);
        else
            queues().changed.wait(lock);
    }
}

void wake() {
    std::lock_guard lock(queues().lock);
    queues().changed.notify_all();
}

void post(DWORD thread, const MSG& message) {
    if (thread == GetCurrentThreadId()) own();
    std::lock_guard lock(queues().lock);
    const auto target = queues().byThread.find(thread);
    if (target == queues().byThread.end()) throw WinError(ERROR_INVALID_THREAD_ID, "the thread has no message queue");
    MSG queued = message;
    queued.time = now();
    target->second->posted.push_back(queued);
    queues().changed.notify_all();
}

bool get(MSG& message, HWND window, UINT first, UINT last) {
    Queue& mine = own();
    std::unique_lock lock(queues().lock);
    for (;;) {
        handleSent(mine, lock);
        if (const auto found = next(mine, window, first, last, true)) {
            message = *found;
            return found->message != WM_QUIT;
        }
        if (mine.sent.empty()) waitForChange(mine, lock);
    }
}

bool peek(MSG& message, HWND window, UINT first, UINT last, bool remove) {
    Queue& mine = own();
    std::unique_lock lock(queues().lock);
    handleSent(mine, lock);
    const auto found = next(mine, window, first, last, remove);
    if (found) message = *found;
    return found.has_value();
}

void postQuit(int code) {
    Queue& mine = own();
    std::lock_guard lock(queues().lock);
    mine.quit = code;
    queues().changed.notify_all();
}

void dispatchPending(const std::function<bool()>& stop) {
    Queue& mine = own();
    std::unique_lock lock(queues().lock);
    for (;;) {
        handleSent(mine, lock);
        if (stop()) return;
        const auto message = next(mine, nullptr, 0, 0, true);
        if (!message) return;
        if (message->message == WM_QUIT) {
            mine.quit = static_cast<int>(message->wParam);
            return;
        }
        dispatchUnlocked(*message, lock);
    }
}

UINT_PTR setTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC routine) {
    Queue& mine = own();
    std::lock_guard lock(queues().lock);
    const auto interval = std::chrono::milliseconds(std::max(elapseMs, USER_TIMER_MINIMUM));
    if (!window) id = mine.nextTimerId++;
    for (auto& timer : mine.timers)
        if (timer.window == window && timer.id == id) {
            timer = {window, id, interval, routine, Clock::now() + interval};
            return id;
        }
    mine.timers.push_back({window, id, interval, routine, Clock::now() + interval});
    queues().changed.notify_all();
    return id;
}

bool killTimer(HWND window, UINT_PTR id) {
    Queue& mine = own();
    std::lock_guard lock(queues().lock);
    return std::erase_if(mine.timers, [&](const Timer& t) { return t.window == window && t.id == id; }) > 0;
}

void forgetWindow(HWND window) {
    Queue& mine = own();
    std::lock_guard lock(queues().lock);
    std::erase_if(mine.timers, [&](const Timer& t) { return t.window == window; });
    std::erase_if(mine.posted, [&](const MSG& m) { return m.hwnd == window; });
}

}  // namespace platform::ui::queues
