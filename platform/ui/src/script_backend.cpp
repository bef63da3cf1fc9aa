#include "script_backend.h"

#include <algorithm>

#include "script_answers.h"
#include "win32/ui.h"

namespace platform::ui::script {

namespace {

class ScriptBackend final : public Backend {
public:
    const char* name() const noexcept override { return "script"; }

    int messageBox(const MessageBoxRequest& request) override {
        const auto& buttons = request.buttons;
        return ask(kMessageBox, std::string(kMessageBox) + ": " + request.caption + ": " + request.text,
                   [&](int reply) { return std::find(buttons.begin(), buttons.end(), reply) != buttons.end(); });
    }

    // IDOK stands for "an application was chosen and started"; nothing runs.
    bool openWith(const OpenWithRequest& request) override {
        return ask(kOpenWith, std::string(kOpenWith) + ": " + request.file,
                   [](int reply) { return reply == IDOK || reply == IDCANCEL; }) == IDOK;
    }

    std::optional<std::string> askPin(const PinRequest& request) override {
        return script::askPin(std::string(kPin) + ": " + request.provider + ": " + request.reader);
    }

    std::optional<Credentials> askCredentials(const CredentialsRequest& request) override {
        return script::askCredentials(std::string(kCredentials) + ": " + (request.proxy ? "proxy " : "server ") +
                                      request.server + ": " + request.realm);
    }

    std::optional<std::size_t> chooseCertificate(const CertificateChoiceRequest& request) override {
        return askChoice(kCertificate, tableLine(kCertificate, request), request.rows.size()).chosen();
    }

    RowChoice chooseRow(const CertificateChoiceRequest& request) override {
        std::string columns;
        for (const auto& title : request.columns) columns += (columns.empty() ? "" : " | ") + title;
        return askChoice(kRow, tableLine(kRow, request, columns), request.rows.size());
    }

    // The link is there to activate only when it is shown.
    Confirmation confirm(const ConfirmationRequest& request) override {
        std::string line = std::string(kConfirmation) + ": " + request.title + ":";
        for (const auto& shown : request.texts) line += " " + shown.label + " " + shown.text + " |";
        line += " " + request.linkLabel;
        if (!request.linkText.empty()) line += " [" + request.linkText + "]";
        line += " | " + request.prompt + " | " + request.yesLabel + " " + request.noLabel + " " + request.cancelLabel;
        return askConfirmation(line, request.linkText.empty() ? std::function<void()>() : request.onLink);
    }

private:
    // With a heading, it stands between the prompt and the rows.
    static std::string tableLine(std::string_view kind, const CertificateChoiceRequest& request,
                                 const std::string& heading = {}) {
        std::string line = std::string(kind) + ": " + request.title + ": " + request.prompt + ":";
        if (!heading.empty()) line += " " + heading + ":";
        for (std::size_t i = 0; i < request.rows.size(); ++i) {
            line += " [" + std::to_string(i) + "]";
            const char* separator = " ";
            for (const auto& cell : request.rows[i]) {
                line += separator + cell;
                separator = " | ";
            }
        }
        return line;
    }
};

}  // namespace

std::unique_ptr<Backend> makeBackend(const std::filesystem::path& file) {
    if (!file.empty()) loadFile(file);
    return std::make_unique<ScriptBackend>();
}

}  // namespace platform::ui::script
