// The message queue of each thread: work sent to it by other threads,
// messages posted to it, its WM_QUIT and its timers. One lock guards them
// all, and one condition wakes every waiter on any change.
#pragma once

#include <functional>

#include "win32/messages.h"

namespace platform::ui::queues {

// Runs work on the thread and waits for it, handling meanwhile what other
// threads send to the calling thread, so that two threads sending to each
// other go on. On the calling thread itself the work runs at once. What
// the work throws is thrown here. Throws WinError(ERROR_INVALID_THREAD_ID)
// when that thread has ended.
void runOnThread(DWORD thread, const std::function<void()>& work);

// Waits until done() holds (tested after each change, see wake(), with
// the queues' lock held: it must only read a flag), handling the work sent
// to the calling thread and, with dispatch, its posted messages and due
// timers too, as a modal loop does.
void waitUntil(const std::function<bool()>& done, bool dispatch);
// Wakes the waiters to test their condition again.
void wake();

// A thread that runs an event loop of another kind (the GTK thread) and
// owns no window waits for the work it sends in that loop: wait runs it
// until done() holds, wake makes it test done() again. For the calling
// thread, from now on.
struct ForeignLoop {
    std::function<void(const std::function<bool()>& done)> wait;
    std::function<void()> wake;
};
void useForeignLoop(ForeignLoop loop);

// Queues the message for the window's or the thread's queue (hwnd null).
// Throws WinError(ERROR_INVALID_THREAD_ID) when the thread has none.
void post(DWORD thread, const MSG& message);
// The calling thread's next message (see GetMessage); false for WM_QUIT.
bool get(MSG& message, HWND window, UINT first, UINT last);
bool peek(MSG& message, HWND window, UINT first, UINT last, bool remove);
void postQuit(int code);
// Hands the calling thread's posted messages and due timers to their
// windows until none is left or stop() holds (tested as waitUntil tests
// done).
void dispatchPending(const std::function<bool()>& stop);

UINT_PTR setTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC routine);
bool killTimer(HWND window, UINT_PTR id);
// Drops the window's timers and posted messages from the calling thread's
// queue (the window is going).
void forgetWindow(HWND window);

// Hands a message to its window on the calling thread (DispatchMessage);
// defined with the windows.
LRESULT dispatch(const MSG& message);

}  // namespace platform::ui::queues
