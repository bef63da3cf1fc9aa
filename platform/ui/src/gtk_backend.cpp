#include "gtk_backend.h"

#include "gtk_calls.h"
#include "gtk_windows.h"
#include "thread_queues.h"
#include "platform/win_error.h"
#include "win32/process.h"
#include "win32/ui.h"

namespace platform::ui::gtk {

namespace {

// The labels and access keys of the Czech Windows the system was made for.
std::string labelOf(int button) {
    switch (button) {
    case IDOK: return "OK";
    case IDCANCEL: return "Storno";
    case IDABORT: return "_Přerušit";
    case IDRETRY: return "_Opakovat";
    case IDIGNORE: return "_Ignorovat";
    case IDYES: return "_Ano";
    case IDNO: return "_Ne";
    default: return std::to_string(button);
    }
}

// Every window is made and run on the GTK thread.
template <class Body>
auto translated(Body&& body) {
    return callFor(body);
}

// A modal dialog's procedure runs on the thread that runs the dialog:
// the GTK thread hands each action over and waits.
class OnOwnerThread final : public DialogSession {
public:
    explicit OnOwnerThread(DialogSession& session) : m_session(session), m_thread(GetCurrentThreadId()) {}
    const DialogState& state() const override { return m_session.state(); }
    void refreshColors() override { onOwner([this] { m_session.refreshColors(); }); }
    void press(int id) override { onOwner([this, id] { m_session.press(id); }); }
    void select(int id, int row) override { onOwner([this, id, row] { m_session.select(id, row); }); }
    void resize(int width, int height) override {
        onOwner([this, width, height] { m_session.resize(width, height); });
    }
    void close() override { onOwner([this] { m_session.close(); }); }
    void cancel() override { onOwner([this] { m_session.cancel(); }); }
    void deliverPosted() override { onOwner([this] { m_session.deliverPosted(); }); }
    bool ended() const override { return m_session.ended(); }

private:
    void onOwner(const std::function<void()>& action) { queues::runOnThread(m_thread, action); }
    DialogSession& m_session;
    DWORD m_thread;
};

class GtkBackend final : public Backend {
public:
    const char* name() const noexcept override { return "gtk"; }

    int messageBox(const MessageBoxRequest& request) override {
        std::vector<std::string> labels;
        for (const int button : request.buttons) labels.push_back(labelOf(button));
        return translated([&] { return showMessageBox(request, labels); });
    }

    bool openWith(const OpenWithRequest& request) override {
        return translated([&] { return showOpenWith(request); });
    }

    std::optional<std::string> openFile(const OpenFileRequest& request) override {
        return translated([&] { return showFileChooser(request); });
    }

    std::optional<std::string> saveFile(const SaveFileRequest& request) override {
        return translated([&] { return showFileSave(request); });
    }

    std::optional<std::string> askPin(const PinRequest& request) override {
        return translated([&] { return showPinPrompt(request); });
    }

    std::optional<Credentials> askCredentials(const CredentialsRequest& request) override {
        return translated([&] { return showCredentialsDialog(request); });
    }

    // Closing the window cancels the choice of a certificate.
    std::optional<std::size_t> chooseCertificate(const CertificateChoiceRequest& request) override {
        return translated([&] { return showRowChoice(request); });
    }

    std::optional<std::size_t> selectCertificate(const CertificateSelectionRequest& request) override {
        return translated([&] { return showRowChoice(request.list, request.initialRow, request.view); });
    }

    void viewCertificate(const CertificateViewRequest& request) override {
        translated([&] { showCertificateView(request); });
    }

    void manageCertificates(const CertificateManagerRequest& request) override {
        translated([&] { showCertificateManager(request); });
    }

    void runDialog(DialogSession& session) override {
        OnOwnerThread onOwner(session);
        translated([&] { showTemplateDialog(onOwner); });
    }

    void showModeless(DialogSession& session) override {
        callFor([&] { showModelessDialog(session); }, Waiting::SentOnly);
    }

    void updateModeless(DialogSession& session) override {
        callFor([&] { updateModelessDialog(session); }, Waiting::SentOnly);
    }

    void hideModeless(DialogSession& session) override {
        callFor([&] { hideModelessDialog(session); }, Waiting::SentOnly);
    }

    std::optional<int> printText(const PrintRequest& request) override {
        return translated([&] { return gtk::printText(request); });
    }

    void beep(unsigned int) override {
        if (started()) callFor([] { gtk::beep(); }, Waiting::SentOnly);
    }

    // Without a display the units of the template fonts stand in.
    BaseUnits dialogBaseUnits() override {
        try {
            return callFor([] { return measureBaseUnits(); }, Waiting::SentOnly);
        } catch (const WinError&) {
            return {};
        }
    }

    std::optional<PixelRect> laidOut(const DialogState& dialog, std::optional<std::size_t> control) override {
        if (!started()) return std::nullopt;
        return callFor([&] { return laidOutControl(dialog, control); }, Waiting::SentOnly);
    }

    // No window shows a cursor before GTK has started.
    void showCursor(Cursor cursor) override {
        if (started()) callFor([cursor] { showCursorOnWindows(cursor); }, Waiting::SentOnly);
    }
};

}  // namespace

std::unique_ptr<Backend> makeBackend() { return std::make_unique<GtkBackend>(); }

}  // namespace platform::ui::gtk
