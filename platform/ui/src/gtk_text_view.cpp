#include "gtk_text_view.h"

#include "platform/owned.h"
#include "system_palette.h"

namespace platform::ui::gtk {

namespace {

constexpr const char* kZoomTag = "tesk-zoom";

}  // namespace

GtkWidget* newTextView() {
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(view), TRUE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
    gtk_text_view_set_left_margin(GTK_TEXT_VIEW(view), 4);
    gtk_text_buffer_create_tag(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), kZoomTag, "scale", 1.0,
                               "insert-hyphens", FALSE, nullptr);
    return view;
}

void frameInShadow(GtkWidget* scrolled) {
    static const bool styled = [] {
        const std::uint32_t shadow = palette::kButtonShadow;
        Owned<char, g_free> rule(
            g_strdup_printf("scrolledwindow.tesk-shadow-frame { border: 1px solid #%02X%02X%02X; }",
                                                 static_cast<unsigned>(shadow & 0xFF),
                                                 static_cast<unsigned>((shadow >> 8) & 0xFF),
                                                 static_cast<unsigned>((shadow >> 16) & 0xFF)));
        GtkCssProvider* css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(css, rule.get(), -1);
        gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(css),
                                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(css);
        return true;
    }();
    (void)styled;
    gtk_scrolled_window_set_has_frame(GTK_SCROLLED_WINDOW(scrolled), FALSE);
    gtk_widget_add_css_class(scrolled, "tesk-shadow-frame");
}

void showText(GtkWidget* view, const std::string& text, int zoom) {
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    Owned<char, g_free> now(gtk_text_buffer_get_text(buffer, &start, &end, FALSE));
    if (text != now.get()) {
        // Set as plain text: nothing in it is read as markup.
        gtk_text_buffer_set_text(buffer, text.c_str(), static_cast<int>(text.size()));
        gtk_text_buffer_get_bounds(buffer, &start, &end);
    }
    GtkTextTag* tag = gtk_text_tag_table_lookup(gtk_text_buffer_get_tag_table(buffer), kZoomTag);
    g_object_set(tag, "scale", zoom / 100.0, nullptr);
    gtk_text_buffer_apply_tag(buffer, tag, &start, &end);
}

}  // namespace platform::ui::gtk
