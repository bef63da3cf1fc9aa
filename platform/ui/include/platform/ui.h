// The one user-interface interface of the layer, with two backends:
//   gtk    - real windows (GTK 4), for a user at a display;
//   script - no window; every question is answered from a script, for tests
//            and unattended runs. A question the script does not answer
//            fails loudly (the process reports it and aborts) instead of
//            hanging.
// The backend is chosen at the first use: PLATFORM_UI=script:FILE or
// PLATFORM_UI=script gives the script backend (answers from FILE and from
// the queue below), PLATFORM_UI=gtk the GTK one; without the variable, GTK
// when a display is available (DISPLAY or WAYLAND_DISPLAY), else script.
// Any other value of PLATFORM_UI, or a script file that cannot be read or
// parsed, is reported and aborts the process.
//
// GTK is single-threaded: the thread that first shows a window is the UI
// thread of the process, and a GTK call from any other thread fails with
// ERROR_NOT_SUPPORTED instead of touching GTK. Without a display the GTK
// backend fails with ERROR_NOT_READY.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_session.h"

namespace platform::ui {

enum class Icon { None, Error, Question, Warning, Information };

// A message box as the backends show it, made from the MB_ flags by
// MessageBoxA/W. Text is UTF-8 (the backends' own text).
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    Icon icon = Icon::None;
    std::vector<int> buttons;       // ID* values, left to right
    std::size_t defaultButton = 0;  // index into buttons: focused, pressed by Enter
    bool closable = false;          // the window may be closed (close button, Escape)
};

// Returned by Backend::messageBox when the user closed a closable box.
inline constexpr int kBoxClosed = -1;

// The "Open with" chooser for one file.
struct OpenWithRequest {
    std::string file;     // UTF-8 path
    bool launch = false;  // start the chosen application on the file
};

// A file to open: the folder it starts in, the filters offered (a name and
// its ";"-separated patterns, "*.req"), the one shown first, and whether the
// file, or the folder it is in, must exist. Texts and paths are UTF-8.
struct FileFilter {
    std::string name;
    std::string patterns;
};
struct OpenFileRequest {
    std::string title;  // empty: "Otevřít"
    std::string folder;
    std::vector<FileFilter> filters;
    std::size_t filter = 0;
    bool fileMustExist = false;
    bool folderMustExist = false;
    const DialogState* owner = nullptr;  // the dialog it opens over, if any
};

// A file to save: the folder it starts in, the name proposed there, the
// filters (as for opening) and the one shown first. The backend calls
// settle() with each path the user chooses (UTF-8); it returns the path to
// save to, or nothing when the user is to choose again.
struct SaveFileRequest {
    std::string title;
    std::string folder;
    std::string name;
    std::vector<FileFilter> filters;
    std::size_t filter = 0;
    std::function<std::optional<std::string>(const std::string& path)> settle;
    const DialogState* owner = nullptr;  // the dialog it opens over, if any
};

// A PIN asked for a token in a reader, on behalf of a card provider.
struct PinRequest {
    std::string provider;
    std::string reader;
};

// A user name and password demanded by a server, or by the proxy on the way.
struct CredentialsRequest {
    std::string server;  // the host the request goes to
    std::string realm;   // the realm the demand names; may be empty
    bool proxy = false;  // the proxy demands them, not the server
};

struct Credentials {
    std::string user;
    std::string password;
};

// One certificate to be chosen from a list shown as a table: a row per
// certificate, its cells in the order of the column titles. The first row
// starts selected; OK is disabled while the table is empty.
struct CertificateChoiceRequest {
    std::string title;
    std::string prompt;  // above the table
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// The certificate selection of the certificate dialogs: the list, the row
// selected when it opens and, when set, the "view certificate" action on
// the selected row (called with the row's index in `list.rows`).
struct CertificateSelectionRequest {
    CertificateChoiceRequest list;
    std::size_t initialRow = 0;
    std::function<void(std::size_t row)> view;
};

// One line of a certificate's description: a field or an extension with
// its text, or a certificate of the certification path with its status.
struct CertificateLine {
    std::string name;
    std::string value;
};

// A system store a certificate can be put in: its name ("Root") and the
// name users know it by.
struct StoreChoice {
    std::string name;
    std::string label;
};

// A certificate shown: its summary, its fields and extensions, and unless
// hidden its certification path from the root down with the verdict on
// it. The actions are offered only when set; each reports whether it was
// done.
struct CertificateViewRequest {
    std::string title;
    std::vector<CertificateLine> summary;
    std::vector<CertificateLine> fields;
    std::vector<CertificateLine> extensions;
    bool showPath = false;
    std::vector<CertificateLine> path;
    std::string pathStatus;
    std::string friendlyName;
    std::function<bool(const std::string& friendlyName)> setFriendlyName;
    std::vector<StoreChoice> stores;
    std::function<bool(std::size_t store)> addToStore;
};

// One tab of the certificate manager: a store and its certificates.
struct CertificateTab {
    std::string store;  // "MY"
    std::string label;  // "Osobní"
    std::vector<std::vector<std::string>> rows;
};

// The certificate manager: tabs of lists with the same columns. The
// actions take the tab and the row's index in that tab's `rows` as given
// (rows removed since keep their indexes); remove reports whether the row
// is gone (the user may refuse).
struct CertificateManagerRequest {
    std::string title;
    std::vector<std::string> columns;
    std::vector<CertificateTab> tabs;
    std::function<void(std::size_t tab, std::size_t row)> view;
    std::function<bool(std::size_t tab, std::size_t row)> remove;
};

// A text sent to the printer under a job name, after the print dialog.
struct PrintRequest {
    std::string jobName;
    std::string text;  // UTF-8, plain
};

// The mouse cursor over the windows of the process.
enum class Cursor { Arrow, Wait, Hidden };

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const noexcept = 0;
    // Returns the ID* of the button pressed, or kBoxClosed; throws WinError
    // when no box can be shown.
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    // True when an application was chosen (and, with launch, started);
    // false when the user cancelled. Throws WinError on failure.
    virtual bool openWith(const OpenWithRequest& request) = 0;
    // The path of the file chosen (UTF-8), or nothing when the user
    // cancelled. Throws as askPin.
    virtual std::optional<std::string> openFile(const OpenFileRequest& request);
    // The path settled on for saving, or nothing when the user cancelled.
    // Throws as askPin.
    virtual std::optional<std::string> saveFile(const SaveFileRequest& request);
    // The PIN entered, or nothing when the user cancelled. Throws WinError
    // when no prompt can be shown (ERROR_NOT_SUPPORTED from a backend that
    // has none).
    virtual std::optional<std::string> askPin(const PinRequest& request);
    // The name and password entered, or nothing when the user cancelled.
    // Throws as askPin.
    virtual std::optional<Credentials> askCredentials(const CredentialsRequest& request);
    // The index of the row chosen, or nothing when the user cancelled.
    // Throws as askPin.
    virtual std::optional<std::size_t> chooseCertificate(const CertificateChoiceRequest& request);
    // The certificate dialogs. The selection returns the index of the row
    // chosen, or nothing when the user cancelled; the view and the manager
    // return when closed. Throw as askPin.
    virtual std::optional<std::size_t> selectCertificate(const CertificateSelectionRequest& request);
    virtual void viewCertificate(const CertificateViewRequest& request);
    virtual void manageCertificates(const CertificateManagerRequest& request);
    // Shows the cursor over every window the backend has up; the layer
    // calls it on each SetCursor. Never fails: a backend without windows
    // has nothing to change.
    virtual void showCursor(Cursor cursor);
    // Shows the modal dialog and hands the user's actions to the session
    // until it has ended (DialogBoxParam). Throws as askPin.
    virtual void runDialog(DialogSession& session);
    // A modeless dialog (CreateDialogParam): shown as it is now, without
    // waiting for the user, until hideModeless (DestroyWindow). Throws as
    // askPin.
    virtual void showModeless(DialogSession& session);
    virtual void hideModeless(DialogSession& session);
    // A shown modeless dialog changed (its texts, visibility, place in
    // front, progress bars); the backend's window follows. Nothing by
    // default.
    virtual void updateModeless(DialogSession& session);
    // The print dialog, then the job: the copies printed, or nothing when
    // the user cancelled. Throws as askPin.
    virtual std::optional<int> printText(const PrintRequest& request);
    // The warning sound (MessageBeep). Never fails.
    virtual void beep(unsigned int type);
    // The base units of the dialogs it draws, from the font it draws them
    // in; by default those of the template fonts (BaseUnits{}).
    virtual BaseUnits dialogBaseUnits();
    // Where a shown dialog's control (or, without one, its client area)
    // was laid out, in pixels of the client area; nothing while it is not
    // on the screen, its template's place then standing for it.
    virtual std::optional<PixelRect> laidOut(const DialogState& dialog, std::optional<std::size_t> control);
};

// The backend in use (chosen on first call, see above).
Backend& backend();
// Replaces the backend (tests); null returns to the choice on next use.
// Not to be called while a UI call is running.
void setBackend(std::unique_ptr<Backend> backend);

namespace script {
// Answers for the script backend, taken in order: those of the script file
// first, then the queued ones. An answer names the kind of question
// ("MessageBox", "OpenWith", "OpenFile", "SaveFile", "Pin", "Credentials", "Certificate",
// "SelectCertificate", "ViewCertificate",
// "CertificateManager") and the reply: "IDYES", "IDNO", "IDOK", "IDCANCEL"
// ... or a number; for "Pin" the PIN's digits, for "Credentials" the user
// name and the password separated by a blank, for "OpenFile" the path of
// the file chosen (without blanks) or "IDCANCEL", for "SaveFile" the same
// (a path without a folder is in the dialog's folder; the folder must
// exist; a path not settled on asks again and takes the next answer), for "Certificate" and
// "SelectCertificate" the index of the row chosen (from 0), each of these
// or "IDCANCEL".
// The view and the manager take actions: "ViewCertificate IDOK"
// (closed), "ViewCertificate Name=TEXT" (friendly name set, then closed),
// "ViewCertificate Root" (installed into that store, then closed);
// "CertificateManager IDOK" (closed), "CertificateManager View:MY:0" and
// "CertificateManager Remove:MY:0" (the row of that tab as listed now; the
// manager then asks again). A template dialog (DialogBoxParam) takes one
// "Dialog" answer each time it waits for the user: "Dialog press:6",
// "Dialog check:246", "Dialog select:228:1" or "Dialog close" (see
// script_dialog.h), its transcript line showing its controls' state. The HTML
// view takes "Page" answers as page actions ("Page click:ID", see
// platform/html_view.h). The print dialog takes "Print 2" (the copies) or
// "Print IDCANCEL"; a job then printed adds "Print job NAME: N copies" to
// the transcript. A modeless dialog asks nothing: it adds its line when
// shown and "Dialog ID destroyed" when it goes; MessageBeep adds
// "MessageBeep TYPE". An optional text is a
// substring the question's transcript line must contain. A script file
// (UTF-8) holds one answer per line in the same form: "MessageBox IDYES
// [text...]", "Credentials alice s3cret [text...]"; blank lines and lines
// starting with "#" are skipped. queue() throws std::invalid_argument for
// an unknown kind or reply.
//
// An answer for another kind of question, one whose text is not in the
// question, or a reply the question cannot have (IDYES for an OK box;
// OpenWith takes IDOK, meaning chosen and started, or IDCANCEL; a row the
// certificate list does not have) is a failure like a missing answer: the
// answer is used up and the question goes to the handler below, or is
// reported and aborts the process.
void queue(std::string kind, std::string reply, std::string expectText = {});
// Forgets the answers, the transcript, the cursor history and the handler.
void clear();
// How many answers are left unused.
std::size_t pending();
// The questions asked so far, as "MessageBox: caption: text",
// "OpenWith: file", "OpenFile: title: folder: name (patterns) ...",
// "SaveFile: title: folder: proposed name: name (patterns) ..." (the
// filter shown first marked "*"),
// "Pin: provider: reader", "Credentials: server HOST:
// realm" (or "proxy HOST"), "Certificate: title: prompt: [0] cells | of
// | row 0 [1] ...",
// "SelectCertificate: title: prompt: (column | titles) [0] cells [1]*
// cells" (the row selected at first marked), "ViewCertificate: title
// [Obecné] name: value | ... [Podrobnosti] ... [Rozšíření] ... [Cesta k
// certifikátu] ... [Stav] verdict [Akce] Name, MY, Root" (path and verdict
// only when shown; the actions offered) and "CertificateManager: title
// [MY] [0] cells ... [Root] ..." lines (for
// asserting).
std::vector<std::string> transcript();
// Called instead of aborting when a question has no fitting answer, with
// the question's line and the reason; a test installs a handler that
// records a failure. The handler's return value is the reply (for a PIN,
// IDCANCEL cancels and another number is taken as its digits; credentials
// and certificate choices are cancelled whatever it returns).
void onUnanswered(std::function<int(const std::string& question)> handler);
// The cursors SetCursor has shown through the script backend, in order:
// "arrow", "wait" or "hidden", one per call.
std::vector<std::string> cursorHistory();
}  // namespace script

}  // namespace platform::ui
