// Confirmation of a signing job without the confirmation dialog: only jobs
// that ask for none (an authentication signature, or option 0x10) are
// confirmed; the others are refused as if no dialog could be shown. The
// secure-device check of the signing certificate.
#include <string>

#include "common/log.h"
#include "common/resource.h"
#include "sign_job.h"
#include "signer.h"
#include "win32/ui.h"

namespace {

constexpr DWORD kErrNoGraphicalInterface = 9;
constexpr DWORD kErrUserDeclined = 11;
constexpr DWORD kErrAuthCertNotSet = 3014;
constexpr DWORD kErrSignCertNotSet = 3024;
constexpr DWORD kMissingSscdWarning = 43;

}  // namespace

DWORD TSigner::ConfirmSignJob(SignJob& job) {
    SIGNER_TRACE();
    job.confirmed = 0;
    if (const LONG prepared = PrepareCertificates(static_cast<LONG>(job.operation), job.issuerFilter))
        return static_cast<DWORD>(prepared);
    if (!(job.operation & kSignWithAuthenticationCert) && !(job.signOptions & kOptionNoConfirmation))
        return kErrNoGraphicalInterface;
    job.confirmed = 1;
    return 0;
}

DWORD TSigner::CheckSscd(const SignJob& job, const CertInfo& certificate) {
    SIGNER_TRACE();
    if (certificate.IsSscd(0)) return 0;
    if (job.signOptions & kOptionNoConfirmation) {
        // The numbers say "not set", which callers test for; the log says why.
        Log(sgLogLevelErrs, "CheckSscd(): the certificate of " + certificate.subjectDn +
                                 " is not on a secure signature-creation device");
        return (job.operation & kSignWithAuthenticationCert) ? kErrAuthCertNotSet : kErrSignCertNotSet;
    }
    std::string question;
    TResource::Instance()->FormatString(question, kMissingSscdWarning, certificate.subjectDn.c_str());
    const int answer = MessageBoxA(GetActiveWindow(), question.c_str(), m_appName.c_str(), MB_YESNO | MB_ICONWARNING);
    return answer == IDYES ? 0 : kErrUserDeclined;
}
