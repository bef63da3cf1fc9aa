// The confirmation of signing into a container: the certificates the job
// needs, then TSignEncKydDlg, whose "show document" and certificate choice
// the signing operation answers here.
#include <string>
#include <vector>

#include "common/resource.h"
#include "common/system_error.h"
#include "kyd_document_message.h"
#include "plugin_manager.h"
#include "sign_enc_kyd_dlg.h"
#include "signer_algorithms.h"
#include "signer_errors.h"
#include "signer_kyd.h"
#include "signing_dialog_support.h"
#include "win32/ui.h"

namespace {

constexpr LONG kSignatureKind = 1;

// The operation bits the dialog takes over as its options, and the option
// saying that the signer's certificate travels.
constexpr DWORD kOperationOptions = 0x01 | 0x02 | 0x20 | 0x40;
constexpr DWORD kOptionCertificateIncluded = 0x08;

// The message-table text of the plug-in's verdict on the document.
DWORD VerdictText(LONG verdict) {
    switch (verdict) {
    case kyd_plugin::kValid: return 26;
    case kyd_plugin::kValidWithWarning: return 28;
    case kyd_plugin::kNotValid: return 27;
    default: return 25;
    }
}

class JobActions : public KydConfirmationActions {
public:
    JobActions(TSignerKyd& signer, const SignJob& job) : m_signer(signer), m_job(job) {}

    // The document as its plug-in shows it (command 5 with the decoded body
    // and its type).
    bool ShowDocument(HWND) override {
        if (m_job.documents.empty()) return false;
        kyd_plugin::ByteVector body;
        std::string type;
        if (ParseMimeDocument(m_job.documents.front().bytes, body, type) != 0) return false;
        return PluginManager::Instance().CallOne(static_cast<DWORD>(m_job.pluginId), kyd_plugin::kPreview,
                                                 reinterpret_cast<kyd_plugin::CallArg>(&body),
                                                 reinterpret_cast<kyd_plugin::CallArg>(type.c_str()), 0) != 0;
    }

    // Another signing certificate under the job's issuer; why not, in a
    // warning box.
    bool ChooseSigningCertificate(HWND) override {
        const LONG chosen = m_signer.ChooseCertificate(kSignatureKind, m_job.issuerFilter, true);
        if (chosen == 0) return true;
        std::string text;
        TResource::Instance()->FormatMessage(text, static_cast<int>(chosen));
        AppWarningBox(text);
        return false;
    }

private:
    TSignerKyd& m_signer;
    const SignJob& m_job;
};

}  // namespace

LONG TSignerKyd::ConfirmSigning(SignJob& job) {
    SIGNER_TRACE();
    job.confirmed = 0;
    if (const LONG prepared = PrepareCertificates(static_cast<LONG>(job.operation), job.issuerFilter)) return prepared;
    if ((job.operation & kSignWithAuthenticationCert) || (job.signOptions & kOptionNoConfirmation)) return 0;

    DWORD options = job.operation & kOperationOptions;
    if (job.certInclusion != 0) options |= kOptionCertificateIncluded;
    const TSignerAlg* row = GetHashAlgorithmType() == kNoHashAlgorithm ? nullptr : FindAlgByNumber(GetHashAlgorithmType());
    const std::string about = About();
    JobActions actions(*this, job);
    TSignEncKydDlg dialog(*this, actions, job.documents, options, row ? row->algId : 0,
                          static_cast<int>(job.analysisResult), DialogText(VerdictText(job.analysisResult)),
                          about.substr(0, about.rfind('\n')));
    switch (dialog.Show(GetActiveWindow())) {
    case IDYES:
        m_additionalFiles = dialog.AdditionalFiles();
        job.confirmed = 1;
        return 0;
    case IDNO: return kErrUserRefused;
    case IDCANCEL: return kErrUserCancelled;
    default: return kErrDialogFailed;
    }
}
