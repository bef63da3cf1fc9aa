#include "gtk_progress_bar.h"

namespace platform::ui::gtk {

namespace {

constexpr const char* kPulse = "tesk-pulse";
constexpr const char* kPulseInterval = "tesk-pulse-interval";

gboolean pulse(gpointer bar) {
    gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar));
    return G_SOURCE_CONTINUE;
}

void stopPulse(GtkWidget* bar) {
    if (const guint source = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(bar), kPulse))) g_source_remove(source);
    g_object_set_data(G_OBJECT(bar), kPulse, nullptr);
}

}  // namespace

GtkWidget* newProgressBar() {
    GtkWidget* bar = gtk_progress_bar_new();
    gtk_progress_bar_set_pulse_step(GTK_PROGRESS_BAR(bar), 0.05);
    g_signal_connect(bar, "destroy", G_CALLBACK(+[](GtkWidget* widget, gpointer) { stopPulse(widget); }), nullptr);
    return bar;
}

void showProgress(GtkWidget* bar, const ProgressState& progress) {
    const auto interval = static_cast<guint>(progress.marqueeIntervalMs);
    const bool pulsing = g_object_get_data(G_OBJECT(bar), kPulse) != nullptr;
    const bool sameInterval = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(bar), kPulseInterval)) == interval;
    if (progress.marquee) {
        if (pulsing && sameInterval) return;
        stopPulse(bar);
        g_object_set_data(G_OBJECT(bar), kPulse, GUINT_TO_POINTER(g_timeout_add(interval, pulse, bar)));
        g_object_set_data(G_OBJECT(bar), kPulseInterval, GUINT_TO_POINTER(interval));
        return;
    }
    stopPulse(bar);
    const int span = progress.high - progress.low;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar),
                                  span > 0 ? static_cast<double>(progress.position - progress.low) / span : 0.0);
}

}  // namespace platform::ui::gtk
