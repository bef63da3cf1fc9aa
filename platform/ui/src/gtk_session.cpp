#include "gtk_session.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "gtk_windows.h"
#include "process_parts.h"

namespace platform::ui::gtk {

// The GTK thread's calls as the copy that runs the thread makes them, so
// that its own code alone runs the thread and the idle sources it adds.
struct ThreadCalls {
    bool (*onUiThread)();
    bool (*started)();
    void (*runOnGtkThread)(const std::function<void()>& work, const CallerWait& caller);
    void (*windowUp)(bool up);
};

namespace {

enum class Start { NotTried, Starting, Started, Failed };

struct Call {
    std::function<void()> work;
    std::function<void()> wake;
    std::atomic<bool> done{false};
    std::exception_ptr error;
};

// Never destroyed: the GTK thread may still wait on them while the
// process ends.
struct GtkThreadState {
    std::mutex mutex;
    std::condition_variable changed;
    Start start = Start::NotTried;
    std::thread::id thread;
    std::deque<std::shared_ptr<Call>> calls;
    int windowsUp = 0;
};

GtkThreadState& state() {
    static auto* const kept = new GtkThreadState;
    return *kept;
}

void run(Call& call) {
    try {
        call.work();
    } catch (...) {
        call.error = std::current_exception();
    }
    call.done = true;
    call.wake();
}

// The waits of iterateUntil under way on the GTK thread, innermost last,
// each with the main-loop depth it was entered at.
struct Wait {
    const std::function<bool()>* done;
    int depth;
};
thread_local std::vector<Wait> t_waits;

// A wait whose condition already holds, dispatched from its own loop and
// not from a loop nested deeper: a call queued now came after the event the
// wait was for was answered (a window destroyed once its close was heard)
// and belongs to the loop the waiting code returns to, as a message sent
// after a reply meets the sender no longer waiting.
bool innermostWaitIsOver() {
    return !t_waits.empty() && g_main_depth() == t_waits.back().depth + 1 && (*t_waits.back().done)();
}

// Runs the calls waiting; a main loop nested in one of them (a modal
// window) runs the later ones through the idle source each call adds.
gboolean runWaitingCalls(gpointer) {
    for (;;) {
        if (innermostWaitIsOver()) return G_SOURCE_CONTINUE;
        std::shared_ptr<Call> next;
        {
            std::lock_guard lock(state().mutex);
            if (state().calls.empty()) return G_SOURCE_REMOVE;
            next = state().calls.front();
            state().calls.pop_front();
        }
        run(*next);
    }
}

// The GTK thread: starts GTK, then runs the calls as they come. Its main
// loop turns only during a call or while a window stays up (a modeless
// dialog, an HTML view), so an idle GTK never reads the display, which
// may be gone by then (GTK would end the process).
void runGtkThread() {
    // The program's name, which GTK's file choosers give the files they add
    // to the recently used ones (and complain without).
    if (!g_get_prgname()) g_set_prgname(program_invocation_short_name);
    const bool ok = gtk_init_check();
    {
        std::lock_guard lock(state().mutex);
        state().start = ok ? Start::Started : Start::Failed;
    }
    state().changed.notify_all();
    if (!ok) return;
    for (;;) {
        {
            std::unique_lock lock(state().mutex);
            state().changed.wait(lock, [] { return !state().calls.empty() || state().windowsUp > 0; });
        }
        runWaitingCalls(nullptr);
        bool idle;
        {
            std::lock_guard lock(state().mutex);
            idle = state().calls.empty() && state().windowsUp > 0;
        }
        if (idle) g_main_context_iteration(nullptr, TRUE);
    }
}

void startGtkThread() {
    std::unique_lock lock(state().mutex);
    if (state().start == Start::NotTried) {
        state().start = Start::Starting;
        std::thread thread(runGtkThread);
        state().thread = thread.get_id();
        thread.detach();
    }
    state().changed.wait(lock, [] { return state().start != Start::Starting; });
    if (state().start == Start::Failed) throw Failure(Failure::Kind::NoDisplay, "GTK cannot open a display");
}

bool ownOnUiThread() {
    std::lock_guard lock(state().mutex);
    return state().start == Start::Started && std::this_thread::get_id() == state().thread;
}

bool ownStarted() {
    std::lock_guard lock(state().mutex);
    return state().start == Start::Started;
}

void ownRunOnGtkThread(const std::function<void()>& work, const CallerWait& caller) {
    if (ownOnUiThread()) {
        work();
        return;
    }
    startGtkThread();
    const auto call = std::make_shared<Call>();
    call->work = work;
    call->wake = caller.wake;
    {
        std::lock_guard lock(state().mutex);
        state().calls.push_back(call);
    }
    state().changed.notify_all();
    g_idle_add(runWaitingCalls, nullptr);
    caller.wait([&] { return call->done.load(); });
    if (call->error) std::rethrow_exception(call->error);
}

void ownWindowUp(bool up) {
    {
        std::lock_guard lock(state().mutex);
        state().windowsUp += up ? 1 : -1;
    }
    state().changed.notify_all();
}

const ThreadCalls& serving() { return *processParts().gtkThread; }

}  // namespace

const ThreadCalls& ownThreadCalls() {
    static const ThreadCalls calls{ownOnUiThread, ownStarted, ownRunOnGtkThread, ownWindowUp};
    return calls;
}

bool onUiThread() { return serving().onUiThread(); }

bool started() { return serving().started(); }

void runOnGtkThread(const std::function<void()>& work, const CallerWait& caller) {
    serving().runOnGtkThread(work, caller);
}

void windowUp(bool up) { serving().windowUp(up); }

void iterateUntil(const std::function<bool()>& done) {
    t_waits.push_back({&done, g_main_depth()});
    try {
        while (!done()) g_main_context_iteration(nullptr, TRUE);
    } catch (...) {
        t_waits.pop_back();
        throw;
    }
    t_waits.pop_back();
}

void wakeGtkThread() { g_main_context_wakeup(nullptr); }

ModalRun::ModalRun() : m_loop(g_main_loop_new(nullptr, FALSE)) {}

void ModalRun::run(GtkWindow* window) {
    // Held so that a window that destroys itself on closing (GtkDialog)
    // stays valid until it is destroyed here; a second destroy is a no-op.
    const Owned<GtkWindow, g_object_unref> held(GTK_WINDOW(g_object_ref(window)));
    gtk_window_set_modal(window, TRUE);
    gtk_window_present(window);
    g_main_loop_run(m_loop.get());
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    gtk_window_destroy(window);
    // The caller may not return to a main loop for a while: the window must
    // leave the screen now, not at the next iteration.
    gdk_display_flush(display);
}

void ModalRun::finish() { g_main_loop_quit(m_loop.get()); }

}  // namespace platform::ui::gtk
