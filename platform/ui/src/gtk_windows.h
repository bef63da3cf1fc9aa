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
    enum class Kind { NoDisplay, LaunchFailed };
    Failure(Kind kind, const std::string& what) : std::runtime_error(what), m_kind(kind) {}
    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};

// The layer's GTK thread makes every GTK call of the process: the
// functions below run on it.
// True when the calling thread is the layer's GTK thread.
bool onUiThread();
// Whether the GTK thread has started GTK.
bool started();

// How a caller of another thread waits for the GTK thread: wait returns
// once done() holds, testing it again whenever wake is called.
struct CallerWait {
    std::function<void(const std::function<bool()>& done)> wait;
    std::function<void()> wake;
};

// Runs work on the GTK thread (started, with GTK, by the first call) and
// returns when it is done, throwing what it threw; on the GTK thread it
// runs at once. Throws Failure (NoDisplay) when GTK cannot start.
void runOnGtkThread(const std::function<void()>& work, const CallerWait& caller);

// On the GTK thread: a window that stays up after the call that made it
// (true) keeps the main loop turning until it goes (false).
void windowUp(bool up);

// On the GTK thread: runs its main loop until done() holds, testing it
// again after wakeGtkThread().
void iterateUntil(const std::function<bool()>& done);
void wakeGtkThread();

// Shows the cursor over every GTK window of the process at once.
void showCursorOnWindows(Cursor cursor);

// Each window is modal, run by a nested main loop on the GTK thread.
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
// The row chosen, or nothing when the user cancelled or closed the window.
// `view`, when set, is offered for the selected row; what it throws ends
// the window and is thrown again.
std::optional<std::size_t> showRowChoice(const CertificateChoiceRequest& request, std::size_t initialRow = 0,
                        const std::function<void(std::size_t row)>& view = {});
// The certificate view and the certificate manager, until closed. What
// their actions throw ends the window and is thrown again.
void showCertificateView(const CertificateViewRequest& request);
void showCertificateManager(const CertificateManagerRequest& request);
// A template dialog until it has ended. What its procedure throws ends the
// window and is thrown again.
void showTemplateDialog(DialogSession& session);
// A modeless dialog shown as it is, taking no input, until hidden;
// updateModelessDialog shows its state as it is now.
void showModelessDialog(const DialogSession& session);
void updateModelessDialog(const DialogSession& session);
void hideModelessDialog(const DialogSession& session);
// The base units of the font GTK draws the dialogs' texts in: the average
// width of the Latin alphabet's letters and the height of a line.
BaseUnits measureBaseUnits();
// Where the control (or, without one, the client area) of the dialog's
// shown window was laid out, in pixels of its client area; nothing while
// no window of the dialog is mapped.
std::optional<PixelRect> laidOutControl(const DialogState& dialog, std::optional<std::size_t> control);
// The print dialog, then the job: the copies printed, or nothing when the
// user cancelled. Throws std::runtime_error when the job fails.
std::optional<int> printText(const PrintRequest& request);
// The display's warning sound.
void beep();

}  // namespace platform::ui::gtk
