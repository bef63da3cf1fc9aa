// What the GTK windows offer the rest of the area. GLib defines TRUE and
// FALSE as macros, so the files that include GTK include none of the
// layer's Windows headers: this header, free of both, is all they share
// with gtk_backend.cpp, which turns their failures into Windows codes.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialog_session.h"
#include "platform/ui.h"

namespace platform::ui::gtk {

class Failure : public std::runtime_error {
public:
    enum class Kind { NoDisplay, OtherThread, LaunchFailed };
    Failure(Kind kind, const std::string& what) : std::runtime_error(what), m_kind(kind) {}
    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};

// Starts GTK on the first call and makes the calling thread the UI thread
// of the process, GTK not being thread-safe. Throws Failure (NoDisplay,
// OtherThread).
void enterUiThread();

// Shows the cursor over every GTK window of the process at once. Does
// nothing before GTK has started or on another thread than the UI thread,
// where no window of the layer can be.
void showCursorOnWindows(Cursor cursor);

// Each window is modal, run by a nested main loop on the UI thread.
// Returns the ID of the button pressed, or kBoxClosed; labels[i] (with "_"
// before the access key) names request.buttons[i].
int showMessageBox(const MessageBoxRequest& request, const std::vector<std::string>& labels);
// Throws Failure (LaunchFailed) when the chosen application cannot start.
bool showOpenWith(const OpenWithRequest& request);
// The path of the file chosen, or nothing when the user cancelled or
// closed the window.
std::optional<std::string> showFileChooser(const OpenFileRequest& request);
// The path settled on for saving, or nothing when the user cancelled or
// closed the window. What settle() throws ends the window and is thrown
// again.
std::optional<std::string> showFileSave(const SaveFileRequest& request);
// The PIN typed, or nothing when the user cancelled or closed the window.
std::optional<std::string> showPinPrompt(const PinRequest& request);
// The name and password entered, or nothing when the user cancelled or
// closed the window.
std::optional<Credentials> showCredentialsDialog(const CredentialsRequest& request);
// The row chosen, or how the window ended without one. `view`, when set,
// is offered for the selected row; what it throws ends the window and is
// thrown again.
RowChoice showRowChoice(const CertificateChoiceRequest& request, std::size_t initialRow = 0,
                        const std::function<void(std::size_t row)>& view = {});
// The button pressed; Escape and closing the window are Cancel.
Confirmation showConfirmation(const ConfirmationRequest& request);
// The certificate view and the certificate manager, until closed. What
// their actions throw ends the window and is thrown again.
void showCertificateView(const CertificateViewRequest& request);
void showCertificateManager(const CertificateManagerRequest& request);
// A template dialog until it has ended. What its procedure throws ends the
// window and is thrown again.
void showTemplateDialog(DialogSession& session);
// A modeless dialog shown as it is, taking no input, until hidden.
void showModelessDialog(const DialogSession& session);
void hideModelessDialog(const DialogSession& session);
// The print dialog, then the job: the copies printed, or nothing when the
// user cancelled. Throws std::runtime_error when the job fails.
std::optional<int> printText(const PrintRequest& request);
// The display's warning sound; none before GTK has started or on another
// thread than the UI thread.
void beep();

}  // namespace platform::ui::gtk
