// Pieces the GTK question windows share, so that they look and behave
// alike: Escape as the close button, the margins, the buttons.
#pragma once

#include <gtk/gtk.h>

#include <exception>
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

// Enter presses the button wherever the focus is (a list would take it).
void pressOnEnter(GtkWindow* window, GtkWidget* button);

// Runs the caller's actions from signal handlers, through which nothing
// may be thrown: a failure ends the run and is thrown again after it.
class CallerActions {
public:
    explicit CallerActions(ModalRun& run) : m_run(run) {}
    template <class Action>
    void run(Action&& action) noexcept {
        try {
            action();
        } catch (...) {
            m_failure = std::current_exception();
            m_run.finish();
        }
    }
    void rethrow() const {
        if (m_failure) std::rethrow_exception(m_failure);
    }

private:
    ModalRun& m_run;
    std::exception_ptr m_failure;
};

}  // namespace platform::ui::gtk
