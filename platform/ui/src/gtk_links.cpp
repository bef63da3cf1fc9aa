#include "gtk_links.h"

namespace platform::ui::gtk {

namespace {

// The theme underlines links always; these underline only under the
// pointer. Loaded once for the display.
void styleHoverLinks() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    GtkCssProvider* css = gtk_css_provider_new();
    static constexpr char kRules[] =
        "button.link.hover-underline, button.link.hover-underline > label { text-decoration-line: none; }\n"
        "button.link.hover-underline:hover > label { text-decoration-line: underline; }\n"
        "button.link.hover-underline { padding: 0; min-height: 0; min-width: 0; }\n";
    gtk_css_provider_load_from_data(css, kRules, -1);
    gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(css),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
}

}  // namespace

GtkWidget* newHoverLink(const std::string& text) {
    styleHoverLinks();
    GtkWidget* link = gtk_link_button_new_with_label("", text.c_str());
    gtk_widget_set_has_tooltip(link, FALSE);
    gtk_widget_add_css_class(link, "hover-underline");
    gtk_widget_set_cursor_from_name(link, "pointer");
    return link;
}

GtkLabel* linkLabel(GtkWidget* link) { return GTK_LABEL(gtk_button_get_child(GTK_BUTTON(link))); }

}  // namespace platform::ui::gtk
