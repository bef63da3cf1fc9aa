// The text-view control as a GtkTextView: read-only plain text, never
// markup, in a monospace font scaled by the zoom.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace platform::ui::gtk {

GtkWidget* newTextView();
// The scrolled window around a text view in the WS_BORDER style: one
// pixel of the button-shadow colour (system_palette.h) instead of the theme's
// frame.
void frameInShadow(GtkWidget* scrolled);
// Shows the text (UTF-8) at the zoom in percent; an unchanged text is not
// set again, so the place the reader scrolled to stays.
void showText(GtkWidget* view, const std::string& text, int zoom);

}  // namespace platform::ui::gtk
