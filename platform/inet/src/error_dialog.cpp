// error_dialog.cpp: InternetErrorDlg as a question of the UI backend; the
// certificate problems are asked here, the rest in their own files.
#include <string>

#include "error_questions.h"
#include "handles.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "win32/ui.h"

using namespace platform::inet;

namespace {

struct CertificateQuestion {
    DWORD error;
    DWORD waiver;  // the security flag that a "yes" sets
    const char* problem;
};

// Texts in the language of the system's own dialogs; "%s" is the server.
constexpr CertificateQuestion kCertificateQuestions[] = {
    {ERROR_INTERNET_INVALID_CA, SECURITY_FLAG_IGNORE_UNKNOWN_CA,
     "Certifikát serveru %s vydala certifikační autorita, které tento počítač nedůvěřuje."},
    {ERROR_INTERNET_SEC_CERT_DATE_INVALID, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID,
     "Platnost certifikátu serveru %s skončila nebo ještě nezačala."},
    {ERROR_INTERNET_SEC_CERT_CN_INVALID, SECURITY_FLAG_IGNORE_CERT_CN_INVALID,
     "Název v certifikátu serveru neodpovídá adrese %s."},
    {ERROR_INTERNET_SEC_CERT_REV_FAILED, SECURITY_FLAG_IGNORE_REVOCATION,
     "Nelze ověřit, zda certifikát serveru %s nebyl odvolán."},
};

std::string withServer(std::string text, const std::string& server) {
    const auto at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, server);
}

bool ask(std::string text, std::string caption, std::vector<int> buttons, int yes) {
    platform::ui::MessageBoxRequest box{std::move(text), std::move(caption), platform::ui::Icon::Warning,
                                        std::move(buttons), 0, true};
    return platform::ui::backend().messageBox(box) == yes;
}

DWORD askAboutCertificate(Request& request, const CertificateQuestion& q, const std::string& server, bool store) {
    const std::string text = withServer(q.problem, server) + "\n\nChcete přesto pokračovat?";
    if (!ask(text, "Výstraha zabezpečení", {IDYES, IDNO}, IDYES)) return ERROR_CANCELLED;
    if (store) request.securityFlags |= q.waiver;
    return ERROR_SUCCESS;
}

}  // namespace

DWORD InternetErrorDlg(HWND, HINTERNET hRequest, DWORD dwError, DWORD dwFlags, LPVOID*) noexcept {
    try {
        auto handle = findHandle(hRequest);
        auto& request = objectOf<Request>(*handle);
        const std::string server = platform::text::ansiToUtf8(objectOf<Connection>(*request.connection).host);
        if (dwFlags & FLAGS_ERROR_UI_FLAGS_NO_UI) return ERROR_CANCELLED;
        const bool store = (dwFlags & FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS) != 0;
        if (dwError == ERROR_INTERNET_INCORRECT_PASSWORD) return askForLogin(*handle, server, store);
        if (dwError == ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED) return askForClientCertificate(request, server, store);
        for (const auto& q : kCertificateQuestions)
            if (q.error == dwError) return askAboutCertificate(request, q, server, store);
        return ERROR_INVALID_PARAMETER;
    } catch (const platform::WinError& e) {
        return e.code();
    } catch (...) {
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}
