// The text progress control as a drawing area over its model.
#include "halvex/controls/gtk_controls.h"

#include <gtk/gtk.h>

#include <algorithm>


namespace halvex::controls {

namespace {

struct ProgressWidget {
    explicit ProgressWidget(GtkWidget* area, BarOrientation orientation)
        : orientation(orientation),
          model(ProgressHost{[area] { gtk_widget_queue_draw(area); },
                             [this](UINT milliseconds) { startTimer(milliseconds); }, [this] { stopTimer(); }}) {}
    ~ProgressWidget() { stopTimer(); }
    ProgressWidget(const ProgressWidget&) = delete;
    ProgressWidget& operator=(const ProgressWidget&) = delete;

    void startTimer(UINT milliseconds) {
        stopTimer();
        timer = g_timeout_add(std::max<UINT>(milliseconds, 1), &ProgressWidget::tick, this);
    }
    void stopTimer() {
        if (timer != 0) g_source_remove(timer);
        timer = 0;
    }
    static gboolean tick(gpointer data) {
        static_cast<ProgressWidget*>(data)->model.send(WM_TIMER, kMarqueeTimer, 0);
        return G_SOURCE_CONTINUE;
    }

    BarOrientation orientation;
    TextProgressModel model;
    guint timer = 0;
};

constexpr const char* kKey = "halvex-progress";

}  // namespace

GtkWidget* makeTextProgressWidget(BarOrientation orientation) {
    GtkWidget* area = gtk_drawing_area_new();
    auto* widget = new ProgressWidget(area, orientation);
    g_object_set_data_full(G_OBJECT(area), kKey, widget, [](gpointer data) { delete static_cast<ProgressWidget*>(data); });
    gtk_drawing_area_set_draw_func(
        GTK_DRAWING_AREA(area),
        [](GtkDrawingArea* drawn, cairo_t* cairo, int width, int height, gpointer data) {
            const auto* self = static_cast<ProgressWidget*>(data);
            const PangoFontDescription* font = pango_context_get_font_description(gtk_widget_get_pango_context(GTK_WIDGET(drawn)));
            paintProgress(cairo, self->model, width, height, self->orientation, font);
        },
        widget, nullptr);
    return area;
}

TextProgressModel& progressModel(GtkWidget* widget) {
    return static_cast<ProgressWidget*>(g_object_get_data(G_OBJECT(widget), kKey))->model;
}

}  // namespace halvex::controls
