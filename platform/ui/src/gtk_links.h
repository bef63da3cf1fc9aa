// The links of the GTK windows: a GtkLinkButton that opens nothing itself,
// underlined only while the pointer is over it, under the hand pointer;
// activated by a click, Enter or Space ("activate-link").
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace platform::ui::gtk {

// inText: without a button's padding, as a line of text is.
GtkWidget* newHoverLink(const std::string& text, bool inText = false);
// Shows Pango markup as the link's text ("_" before an access key).
void setLinkMarkup(GtkWidget* link, const std::string& markup);

}  // namespace platform::ui::gtk
