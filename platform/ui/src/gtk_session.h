// The modal run of a GTK window, shared by the GTK windows.
#pragma once

#include <gtk/gtk.h>

#include "platform/owned.h"

namespace platform::ui::gtk {

// True when GTK has started and the calling thread is its UI thread.
bool onUiThread();

// Shows a window and runs a nested main loop on the calling thread until
// finish(); then the window is destroyed and gone from the screen.
class ModalRun {
public:
    ModalRun();
    void run(GtkWindow* window);
    void finish();

private:
    Owned<GMainLoop, g_main_loop_unref> m_loop;
};

}  // namespace platform::ui::gtk
