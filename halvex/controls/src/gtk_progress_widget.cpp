// The text progress control in GTK: a drawing area painting the look its
// procedure last published.
#include "text_progress_look.h"

#include <gtk/gtk.h>

namespace halvex::controls {

namespace {

constexpr const char* kLook = "halvex-progress-look";

using Kept = std::shared_ptr<const void>;

void draw(GtkDrawingArea* area, cairo_t* cairo, int width, int height, gpointer) {
    const auto* kept = static_cast<const Kept*>(g_object_get_data(G_OBJECT(area), kLook));
    if (!kept || !*kept) return;
    const auto& look = *static_cast<const TextProgressLook*>(kept->get());
    const PangoFontDescription* font = pango_context_get_font_description(gtk_widget_get_pango_context(GTK_WIDGET(area)));
    paintProgress(cairo, look.model, width, height, look.orientation, font);
}

}  // namespace

GtkWidget* makeTextProgressWidget() {
    GtkWidget* area = gtk_drawing_area_new();
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area), draw, nullptr, nullptr);
    return area;
}

void showTextProgressLook(GtkWidget* widget, const std::shared_ptr<const void>& look) {
    g_object_set_data_full(G_OBJECT(widget), kLook, new Kept(look), [](gpointer data) { delete static_cast<Kept*>(data); });
    gtk_widget_queue_draw(widget);
}

}  // namespace halvex::controls
