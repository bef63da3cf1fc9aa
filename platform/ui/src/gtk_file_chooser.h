// What the GTK choosers of a file to open and of a file to save share.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gtk_session.h"
#include "platform/ui.h"

namespace platform::ui::gtk {

// Offers the filters, the one at `shown` selected.
void addFilters(GtkFileChooser* chooser, const std::vector<FileFilter>& filters, std::size_t shown);
// Starts the chooser in the folder; an empty one leaves GTK's choice.
void startInFolder(GtkFileChooser* chooser, const std::string& folder);
// The path of the file the chooser names now, if it has one.
std::optional<std::string> chosenPath(GtkFileChooser* chooser);

}  // namespace platform::ui::gtk
