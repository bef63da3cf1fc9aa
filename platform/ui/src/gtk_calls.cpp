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

}  // namespace

void call(const std::function<void()>& work, Waiting waiting) {
    const bool modal = waiting == Waiting::Modal;
    const CallerWait caller{[modal](const std::function<bool()>& done) { queues::waitUntil(done, modal); },
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
