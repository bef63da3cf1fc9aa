#include "gtk_text_view.h"

#include "platform/owned.h"

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
