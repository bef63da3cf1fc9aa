#include "script_backend.h"

#include <algorithm>
#include <filesystem>

#include "script_answers.h"
#include "script_certificate_dialogs.h"
#include "script_dialog.h"
#include "script_file_save.h"
#include "thread_queues.h"
#include "win32/ui.h"

namespace platform::ui::script {

namespace {

class ScriptBackend final : public Backend {
public:
    const char* name() const noexcept override { return "script"; }

    // A box is up while the answer is found: the caller's posted messages
    // are handled first, as the box's loop would.
    int messageBox(const MessageBoxRequest& request) override {
        queues::dispatchPending([] { return false; });
        const auto& buttons = request.buttons;
        return ask(kMessageBox, std::string(kMessageBox) + ": " + request.caption + ": " + request.text,
                   [&](int reply) { return std::find(buttons.begin(), buttons.end(), reply) != buttons.end(); });
    }

    // IDOK stands for "an application was chosen and started"; nothing runs.
    bool openWith(const OpenWithRequest& request) override {
        return ask(kOpenWith, std::string(kOpenWith) + ": " + request.file,
                   [](int reply) { return reply == IDOK || reply == IDCANCEL; }) == IDOK;
    }

    // The path answered must name a file, or a file in an existing folder,
    // when the request says so.
    std::optional<std::string> openFile(const OpenFileRequest& request) override {
        std::string line = std::string(kOpenFile) + ": " + request.title + ": " + request.folder + ":";
        for (const auto& filter : request.filters) line += " " + filter.name + " (" + filter.patterns + ")";
        const auto reply = askReply(kOpenFile, line, [&](const std::string& answer) {
            if (answer == "IDCANCEL") return true;
            const std::filesystem::path file = answer;
            std::error_code error;
            if (request.fileMustExist && !std::filesystem::is_regular_file(file, error)) return false;
            return !request.folderMustExist || std::filesystem::is_directory(file.parent_path(), error);
        });
        if (!reply || *reply == "IDCANCEL") return std::nullopt;
        return reply;
    }

    std::optional<std::string> saveFile(const SaveFileRequest& request) override {
        return script::saveFile(request);
    }

    std::optional<std::string> askPin(const PinRequest& request) override {
        queues::dispatchPending([] { return false; });
        return script::askPin(std::string(kPin) + ": " + request.provider + ": " + request.reader);
    }

    std::optional<Credentials> askCredentials(const CredentialsRequest& request) override {
        return script::askCredentials(std::string(kCredentials) + ": " + (request.proxy ? "proxy " : "server ") +
                                      request.server + ": " + request.realm);
    }

    std::optional<std::size_t> chooseCertificate(const CertificateChoiceRequest& request) override {
        const std::string line =
            std::string(kCertificate) + ": " + request.title + ": " + request.prompt + ":" + rowsText(request.rows);
        return askChoice(kCertificate, line, request.rows.size());
    }

    std::optional<std::size_t> selectCertificate(const CertificateSelectionRequest& request) override {
        return script::selectCertificate(request);
    }

    void viewCertificate(const CertificateViewRequest& request) override { script::viewCertificate(request); }

    void manageCertificates(const CertificateManagerRequest& request) override {
        script::manageCertificates(request);
    }

    void runDialog(DialogSession& session) override { script::runDialog(session); }
    void showModeless(DialogSession& session) override { script::showModeless(session); }
    void updateModeless(DialogSession& session) override { script::updateModeless(session); }
    void hideModeless(DialogSession& session) override { script::hideModeless(session); }

    // Nothing is printed: the job is recorded with its copies. A question
    // the handler answers with less than one copy is cancelled.
    std::optional<int> printText(const PrintRequest& request) override {
        const int copies = ask(kPrint, std::string(kPrint) + ": " + request.jobName, [](int) { return true; });
        if (copies < 1) return std::nullopt;
        record(std::string(kPrint) + " job " + request.jobName + ": " + std::to_string(copies) + " copies");
        return copies;
    }

    void beep(unsigned int type) override { record("MessageBeep " + std::to_string(type)); }

    void showCursor(Cursor cursor) override {
        switch (cursor) {
        case Cursor::Arrow: recordCursor("arrow"); return;
        case Cursor::Wait: recordCursor("wait"); return;
        case Cursor::Hidden: recordCursor("hidden"); return;
        }
    }
};

}  // namespace

std::unique_ptr<Backend> makeBackend(const std::filesystem::path& file) {
    if (!file.empty()) loadFile(file);
    return std::make_unique<ScriptBackend>();
}

}  // namespace platform::ui::script
