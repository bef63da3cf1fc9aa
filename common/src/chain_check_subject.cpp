// chain_check_subject.cpp: the checks CertVerifySubjectCertificateContext
// makes of one certificate, from contexts or from encoded certificates.
#include "common/chain_check.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"

namespace {

OwnedCertContext ContextOf(const std::vector<BYTE>& der) {
    return OwnedCertContext(CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
}

}  // namespace

// The function clears the flag of every check that passed, so any flag
// left over is a check that failed.
bool VerifySubjectCertificate(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer, DWORD flags) {
    if (!subject) return false;
    return CertVerifySubjectCertificateContext(subject, issuer, &flags) && flags == 0;
}

bool VerifyCertificateDer(const std::vector<BYTE>& subject, const std::vector<BYTE>& issuer, DWORD flags) {
    const OwnedCertContext subjectContext = ContextOf(subject);
    const OwnedCertContext issuerContext = issuer.empty() ? OwnedCertContext{} : ContextOf(issuer);
    if (!issuer.empty() && !issuerContext) return false;
    return VerifySubjectCertificate(subjectContext.get(), issuerContext.get(), flags);
}

bool VerifyCertificate(const std::vector<BYTE>& der, DWORD flags) { return VerifyCertificateDer(der, {}, flags); }
