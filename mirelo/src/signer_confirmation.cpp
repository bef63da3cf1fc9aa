// The confirmation of a signing job and the check that its key lies on a
// secure signature-creation device.
#include "common/log.h"
#include "common/resource.h"
#include "common/system_error.h"
#include "sign_enc_dlg.h"
#include "signer.h"
#include "signer_algorithms.h"
#include "signer_errors.h"
#include "win32/ui.h"

namespace {

constexpr DWORD kTextSscdWarning = 43;

// The dialog's option bits for the job's operation and certificate
// inclusion.
DWORD ConfirmationOptions(const SignJob& job) {
    struct Bit {
        LONG operation;
        DWORD option;
    };
    static constexpr Bit kBits[] = {{0x01, 0x01}, {0x02, kConfirmSign},  {0x08, kConfirmEncrypt}, {0x20, 0x20},
                                    {0x40, kConfirmFixedSigner}, {0x100, 0x80}, {0x80, 0x100}};
    DWORD options = 0;
    for (const Bit& bit : kBits)
        if (job.operation & bit.operation) options |= bit.option;
    if (job.certInclusion == 2 || job.certInclusion == 4)
        options |= kConfirmIncludesCertificates | kConfirmIncludesKeyExchange;
    else if (job.certInclusion != 0)
        options |= kConfirmIncludesCertificates;
    return options;
}

}  // namespace

DWORD TSigner::ConfirmSignJob(SignJob& job) {
    SIGNER_TRACE();
    job.confirmed = 0;
    if (const LONG prepared = PrepareCertificates(job.operation, job.issuerFilter)) return static_cast<DWORD>(prepared);
    if ((job.operation & kSignWithAuthenticationCert) || (job.signOptions & kOptionNoConfirmation)) return 0;
    const TSignerAlg* row = m_hashAlgorithm == kNoHashAlgorithm ? nullptr : FindAlgByNumber(m_hashAlgorithm);
    const std::string about = About();
    TSignEncDlg dialog(*this, job.documents, ConfirmationOptions(job), job.listMode != 0, row ? row->algId : 0,
                       job.issuerFilter, about.substr(0, about.rfind('\n')));
    switch (dialog.Show(GetActiveWindow())) {
    case IDYES:
        job.confirmed = 1;
        return 0;
    case IDNO:
        return kErrUserRefused;
    case IDCANCEL:
        return kErrUserCancelled;
    default:
        return kErrNoGraphicalInterface;
    }
}

DWORD TSigner::CheckSscd(const SignJob& job, const CertInfo& cert) {
    SIGNER_TRACE();
    if (cert.IsSscd(0)) return 0;
    if (job.signOptions & kOptionNoConfirmation) {
        // The numbers say "not set", which callers test for; the log says why.
        Log(sgLogLevelErrs, "CheckSscd(): the certificate of " + cert.subjectDn +
                                 " is not on a secure signature-creation device");
        return (job.operation & kSignWithAuthenticationCert) ? kErrAuthCertNotSscd : kErrSignCertNotSscd;
    }
    std::string warning;
    TResource::Instance()->FormatString(warning, kTextSscdWarning, cert.subjectDn.c_str());
    return AppQuestionBox(warning) == IDYES ? 0 : kErrUserRefused;
}
