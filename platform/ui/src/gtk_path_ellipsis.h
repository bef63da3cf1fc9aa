// A path as a static of the path-ellipsis style shows it in GTK.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace platform::ui::gtk {

// The path whole when it fits `width` pixels in the widget's font; else
// its folders cut from their end, "..." standing for what was cut, and
// the last name (after the last "/" or "\") whole; "..." and that name
// when even the first letter of the folders does not fit. A text without
// folders stays whole.
std::string pathEllipsized(GtkWidget* widget, const std::string& path, int width);

}  // namespace platform::ui::gtk
