// The cursor over the GTK windows of the process.
#include <gtk/gtk.h>

#include "gtk_session.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

// Null gives each window its own cursors back (the arrow, a text cursor
// over text).
const char* nameOf(Cursor cursor) {
    switch (cursor) {
    case Cursor::Arrow: return nullptr;
    case Cursor::Wait: return "wait";
    case Cursor::Hidden: return "none";
    }
    return nullptr;
}

}  // namespace

void showCursorOnWindows(Cursor cursor) {
    if (!onUiThread()) return;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next)
        gtk_widget_set_cursor_from_name(GTK_WIDGET(item->data), nameOf(cursor));
    g_list_free(windows);
    // The caller usually blocks right after (that is why it shows the wait
    // cursor), without a main loop to send the change to the display.
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_flush(display);
}

}  // namespace platform::ui::gtk
