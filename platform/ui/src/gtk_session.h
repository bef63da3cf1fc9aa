// The modal run of a GTK window on the layer's GTK thread.
#pragma once

#include <gtk/gtk.h>

#include "platform/owned.h"

namespace platform::ui::gtk {

// Shows a window and runs a nested main loop on the GTK thread until
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
