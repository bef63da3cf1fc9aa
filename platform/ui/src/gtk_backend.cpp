#include "gtk_backend.h"

#include "gtk_windows.h"
#include "platform/win_error.h"
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

DWORD codeOf(Failure::Kind kind) {
    switch (kind) {
    case Failure::Kind::NoDisplay: return ERROR_NOT_READY;
    case Failure::Kind::OtherThread: return ERROR_NOT_SUPPORTED;
    case Failure::Kind::LaunchFailed: break;
    }
    return static_cast<DWORD>(E_FAIL);
}

template <class Body>
auto translated(Body&& body) {
    try {
        enterUiThread();
        return body();
    } catch (const Failure& e) {
        throw WinError(codeOf(e.kind()), e.what());
    }
}

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
        return chooseRow(request).chosen();
    }

    RowChoice chooseRow(const CertificateChoiceRequest& request) override {
        return translated([&] { return showRowChoice(request); });
    }

    Confirmation confirm(const ConfirmationRequest& request) override {
        return translated([&] { return showConfirmation(request); });
    }

    std::optional<std::size_t> selectCertificate(const CertificateSelectionRequest& request) override {
        return translated([&] { return showRowChoice(request.list, request.initialRow, request.view); }).chosen();
    }

    void viewCertificate(const CertificateViewRequest& request) override {
        translated([&] { showCertificateView(request); });
    }

    void manageCertificates(const CertificateManagerRequest& request) override {
        translated([&] { showCertificateManager(request); });
    }

    void runDialog(DialogSession& session) override {
        translated([&] { showTemplateDialog(session); });
    }

    void showModeless(DialogSession& session) override {
        translated([&] { showModelessDialog(session); });
    }

    void hideModeless(DialogSession& session) override {
        translated([&] { hideModelessDialog(session); });
    }

    std::optional<int> printText(const PrintRequest& request) override {
        return translated([&] { return gtk::printText(request); });
    }

    void beep(unsigned int) override { gtk::beep(); }

    void showCursor(Cursor cursor) override { showCursorOnWindows(cursor); }
};

}  // namespace

std::unique_ptr<Backend> makeBackend() { return std::make_unique<GtkBackend>(); }

}  // namespace platform::ui::gtk
