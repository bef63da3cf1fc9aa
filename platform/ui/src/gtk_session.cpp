#include "gtk_session.h"

#include <mutex>
#include <thread>

#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

enum class Start { NotTried, Started, Failed };

std::mutex g_mutex;
Start g_start = Start::NotTried;
std::thread::id g_uiThread;

}  // namespace

void enterUiThread() {
    std::lock_guard lock(g_mutex);
    if (g_start == Start::NotTried) {
        g_uiThread = std::this_thread::get_id();
        g_start = gtk_init_check() ? Start::Started : Start::Failed;
    }
    if (std::this_thread::get_id() != g_uiThread)
        throw Failure(Failure::Kind::OtherThread, "GTK is in use by another thread of this process");
    if (g_start == Start::Failed) throw Failure(Failure::Kind::NoDisplay, "GTK cannot open a display");
}

bool onUiThread() {
    std::lock_guard lock(g_mutex);
    return g_start == Start::Started && std::this_thread::get_id() == g_uiThread;
}

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
