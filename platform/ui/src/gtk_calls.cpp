#include "gtk_calls.h"

#include "gtk_windows.h"
#include "platform/win_error.h"
#include "thread_queues.h"

namespace platform::ui::gtk {

namespace {

DWORD codeOf(Failure::Kind kind) {
    switch (kind) {
    case Failure::Kind::NoDisplay: return ERROR_NOT_READY;
    case Failure::Kind::LaunchFailed: break;
    }
    return static_cast<DWORD>(E_FAIL);
}

// Calls of this thread under way. Only the outermost one hands the
// thread's posted messages and timers out while it waits: a message handled
// there whose window makes a call of its own (a dialog following a change)
// waits for that call's work alone, so messages posted faster than the
// windows follow them cannot nest calls without bound.
thread_local int t_callDepth = 0;

class CallDepth {
public:
    CallDepth() { ++t_callDepth; }
    ~CallDepth() { --t_callDepth; }
    CallDepth(const CallDepth&) = delete;
    CallDepth& operator=(const CallDepth&) = delete;
};

}  // namespace

void call(const std::function<void()>& work, Waiting waiting) {
    const bool handsPostedOut = waiting == Waiting::Modal && t_callDepth == 0;
    const CallDepth depth;
    const CallerWait caller{[handsPostedOut](const std::function<bool()>& done) {
                                queues::waitUntil(done, handsPostedOut);
                            },
                            [] { queues::wake(); }};
    try {
        runOnGtkThread(
            [&] {
                // Work the GTK thread sends to a window's thread waits in
                // GTK's own loop, so that GTK goes on meanwhile.
                queues::useForeignLoop({iterateUntil, wakeGtkThread});
                work();
            },
            caller);
    } catch (const Failure& e) {
        throw WinError(codeOf(e.kind()), e.what());
    }
}

}  // namespace platform::ui::gtk
