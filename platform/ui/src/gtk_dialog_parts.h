// Pieces the GTK question windows share, so that they look and behave
// alike: Escape as the close button, the margins, the buttons.
#pragma once

#include <gtk/gtk.h>

#include <initializer_list>

#include "gtk_session.h"

namespace platform::ui::gtk {

// Escape asks the window to close, as its close button does.
void closeOnEscape(GtkWindow* window);
// A vertical box with the windows' margins.
GtkWidget* contentBox(int spacing);
// A button of the windows' width; "_" marks its access key.
GtkWidget* dialogButton(const char* label, GCallback onClicked, gpointer data);
// The buttons side by side, of one width, centred.
GtkWidget* buttonRow(std::initializer_list<GtkWidget*> buttons);

// For a question that closing cancels: the close button and Escape end
// the run without an answer, and so does the button made here ("Storno").
void cancelOnClose(GtkWindow* window, ModalRun& run);
GtkWidget* cancelButton(ModalRun& run);

}  // namespace platform::ui::gtk
