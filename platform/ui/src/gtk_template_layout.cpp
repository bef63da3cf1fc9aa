#include "gtk_template_layout.h"

#include <algorithm>
#include <cmath>

#include "gtk_dialog_owners.h"
#include "gtk_windows.h"
#include "platform/owned.h"

namespace platform::ui::gtk {

namespace {

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr const char* kTemplateClass = "tesk-template";
constexpr const char* kAreaKey = "tesk-template-area";

// The toolkit's buttons and check boxes stand taller than the controls of
// the templates' font; within a template they keep to the text's height.
constexpr const char* kCompactStyle =
    "window.tesk-template button { min-height: 0; min-width: 0; padding: 0 6px; }"
    "window.tesk-template checkbutton { min-height: 0; padding: 0; }"
    "window.tesk-template checkbutton check { min-width: 12px; min-height: 12px; margin: 0 4px 0 0; }";

void styleOnce() {
    static const bool styled = [] {
        GtkCssProvider* provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(provider, kCompactStyle, -1);
        gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(provider),
                                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(provider);
        return true;
    }();
    (void)styled;
}

GtkWidget* nthChild(GtkWidget* parent, std::size_t index) {
    GtkWidget* child = gtk_widget_get_first_child(parent);
    for (std::size_t i = 0; child && i < index; ++i) child = gtk_widget_get_next_sibling(child);
    return child;
}

// The fixed the controls stand on: the window's child, or the overlay's
// of a resizable window.
GtkWidget* areaOf(GtkWindow* window) { return static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(window), kAreaKey)); }

// A window just shown is laid out at its first frame.
bool laidOut(GtkWindow* window) {
    return gtk_widget_get_mapped(GTK_WIDGET(window)) && gtk_widget_get_width(areaOf(window)) > 0;
}

}  // namespace

BaseUnits measureBaseUnits() {
    static const BaseUnits units = [] {
        GtkWidget* label = GTK_WIDGET(g_object_ref_sink(gtk_label_new(nullptr)));
        int width = 0;
        int height = 0;
        {
            Owned<PangoLayout, g_object_unref> layout(gtk_widget_create_pango_layout(label, kAlphabet));
            pango_layout_get_pixel_size(layout.get(), &width, &height);
        }
        g_object_unref(label);
        // The average width rounded to the nearest pixel, as Windows does.
        return BaseUnits{std::max(1, (width / 26 + 1) / 2), std::max(1, height)};
    }();
    return units;
}

GtkWidget* templateArea(GtkWindow* window, const DialogState& dialog) {
    styleOnce();
    gtk_widget_add_css_class(GTK_WIDGET(window), kTemplateClass);
    gtk_window_set_resizable(window, FALSE);
    GtkWidget* area = gtk_fixed_new();
    gtk_widget_set_size_request(area, dialog.width, dialog.height);
    gtk_window_set_child(window, area);
    g_object_set_data(G_OBJECT(window), kAreaKey, area);
    return area;
}

void placeControl(GtkWidget* area, GtkWidget* widget, const ControlTemplate& control, const BaseUnits& units) {
    const bool dropDown = dropsDown(control.kind);
    gtk_widget_set_size_request(widget, units.pixelsX(control.cx), dropDown ? -1 : units.pixelsY(control.cy));
    gtk_fixed_put(GTK_FIXED(area), widget, units.pixelsX(control.x), units.pixelsY(control.y));
}

void fitLabel(GtkLabel* label, const ControlTemplate& control) {
    gtk_label_set_xalign(label, (control.style & kStyleRightAligned) ? 1.0f : 0.0f);
    gtk_label_set_yalign(label, 0.0f);
    gtk_label_set_ellipsize(label, PANGO_ELLIPSIZE_END);
    if (showsPath(control)) return;
    gtk_label_set_wrap(label, TRUE);
    gtk_label_set_wrap_mode(label, PANGO_WRAP_WORD_CHAR);
    // A digest broken inside a word keeps its characters.
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
    gtk_label_set_attributes(label, attributes);
    pango_attr_list_unref(attributes);
    // A line is eight dialog units high.
    gtk_label_set_lines(label, std::max(1, control.cy / 8));
}

GtkWidget* fittedLabel(GtkWidget* label, const ControlTemplate& control) {
    fitLabel(GTK_LABEL(label), control);
    GtkWidget* box = gtk_scrolled_window_new();
    // A scrolled window takes the focus when its child cannot; a text
    // cannot, and nothing here scrolls.
    gtk_widget_set_focusable(box, FALSE);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(box), GTK_POLICY_NEVER, GTK_POLICY_EXTERNAL);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(box), label);
    return box;
}

std::optional<PixelRect> laidOutControl(const DialogState& dialog, std::optional<std::size_t> control) {
    GtkWindow* window = dialogWindowOf(dialog);
    if (!window || !gtk_widget_get_visible(GTK_WIDGET(window))) return std::nullopt;
    iterateUntil([&] {
        window = dialogWindowOf(dialog);
        return !window || laidOut(window);
    });
    if (!window) return std::nullopt;
    // The dialog's own place is its client area: the window's child, which
    // a resizable dialog grows beyond the controls' area.
    GtkWidget* area = areaOf(window);
    GtkWidget* widget = control ? nthChild(area, *control) : gtk_window_get_child(window);
    graphene_rect_t bounds;
    if (!widget || !gtk_widget_get_mapped(widget) || !gtk_widget_compute_bounds(widget, area, &bounds))
        return std::nullopt;
    return PixelRect{static_cast<int>(std::floor(bounds.origin.x)), static_cast<int>(std::floor(bounds.origin.y)),
                     static_cast<int>(std::ceil(bounds.origin.x + bounds.size.width)),
                     static_cast<int>(std::ceil(bounds.origin.y + bounds.size.height))};
}

}  // namespace platform::ui::gtk
