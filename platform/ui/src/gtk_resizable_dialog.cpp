#include "gtk_resizable_dialog.h"

namespace platform::ui::gtk {

namespace {

struct Follower {
    ResizedFunc onResized;
    gpointer data;
    int width = 0;
    int height = 0;
    guint idle = 0;
};

gboolean tellSize(gpointer data) {
    auto* follower = static_cast<Follower*>(data);
    follower->idle = 0;
    follower->onResized(follower->width, follower->height, follower->data);
    return G_SOURCE_REMOVE;
}

// Told after the allocation: the dialog's answer moves widgets, which GTK
// does not take while it lays them out.
void onAreaResized(GtkDrawingArea*, int width, int height, gpointer data) {
    auto* follower = static_cast<Follower*>(data);
    follower->width = width;
    follower->height = height;
    if (!follower->idle) follower->idle = g_idle_add(tellSize, follower);
}

void forget(gpointer data) {
    auto* follower = static_cast<Follower*>(data);
    if (follower->idle) g_source_remove(follower->idle);
    delete follower;
}

}  // namespace

void followSize(GtkWindow* window, const DialogState& state, ResizedFunc onResized, gpointer data) {
    GtkWidget* area = gtk_window_get_child(window);
    g_object_ref(area);
    gtk_window_set_child(window, nullptr);
    // The client area is an empty drawing area of the least size; the
    // controls lie over it, cut at its edges.
    GtkWidget* client = gtk_drawing_area_new();
    gtk_widget_set_size_request(client, state.minWidth, state.minHeight);
    GtkWidget* overlay = gtk_overlay_new();
    gtk_overlay_set_child(GTK_OVERLAY(overlay), client);
    gtk_widget_set_halign(area, GTK_ALIGN_START);
    gtk_widget_set_valign(area, GTK_ALIGN_START);
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay), area);
    gtk_overlay_set_clip_overlay(GTK_OVERLAY(overlay), area, TRUE);
    g_object_unref(area);
    gtk_window_set_child(window, overlay);
    gtk_window_set_resizable(window, TRUE);
    gtk_window_set_default_size(window, state.width, state.height);
    auto* follower = new Follower{onResized, data};
    g_object_set_data_full(G_OBJECT(client), "tesk-size-follower", follower, forget);
    g_signal_connect(client, "resize", G_CALLBACK(onAreaResized), follower);
}

void placeAsMoved(GtkWidget* control, const ControlState& c) {
    if (!c.place) return;
    GtkWidget* area = gtk_widget_get_parent(control);
    if (!GTK_IS_FIXED(area)) return;
    gtk_fixed_move(GTK_FIXED(area), control, c.place->x, c.place->y);
    gtk_widget_set_size_request(control, c.place->width, dropsDown(c.control.kind) ? -1 : c.place->height);
}

}  // namespace platform::ui::gtk
