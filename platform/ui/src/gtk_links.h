// The links of the GTK windows: a GtkLinkButton that opens nothing itself,
// as high as a line of text, underlined only while the pointer is over it,
// under the hand pointer; activated by a click, Enter or Space
// ("activate-link").
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace platform::ui::gtk {

GtkWidget* newHoverLink(const std::string& text);
// The label that shows the link's text.
GtkLabel* linkLabel(GtkWidget* link);

}  // namespace platform::ui::gtk
