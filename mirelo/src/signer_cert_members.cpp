// Certificates that callers hand to the signer as PEM text or by issuer,
// the viewers of a given certificate and of the system's certificates, and
// the chain of a certificate.
#include <string>
#include <vector>

#include "common/cert_context.h"
#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/select_cert_dlg.h"
#include "signer.h"
#include "signer_errors.h"
#include "signer_services.h"
#include "win32/ui.h"

namespace {

constexpr int kSignatureList = 1;
constexpr int kTsaList = 4;

}  // namespace

bool TSigner::SetCertSignPem(const std::string& pem) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    Log(sgLogLevelDebug, "cert_in   : " + pem);
    CertInfo certificate;
    if (!CertInfoFromPem(pem, certificate)) return Record(kErrNotACertificate);
    if (!ValidateSignCert(certificate)) return Record(kErrPolicyRejectsCert);
    m_certs.AddCertificate(kSignatureList, certificate, true);
    return Record(0);
}

bool TSigner::SetTsaCertAuthenticationPem(const std::string& pem) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    CertInfo certificate;
    if (!CertInfoFromPem(pem, certificate)) return Record(kErrNotACertificate);
    m_certs.AddCertificate(kTsaList, certificate, true);
    return Record(0);
}

bool TSigner::SetTsaCertAuthentication(const std::string& issuerDn) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    Log(sgLogLevelDebug, "issuer_dn: " + issuerDn);
    return Record(SelectCertificate(kTsaList, issuerDn, nullptr, true));
}

bool TSigner::ShowCert(const std::string& pem) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    CertInfo certificate;
    if (!CertInfoFromPem(pem, certificate)) return Record(kErrNotACertificate);
    const bool shown = TSelectCertDlg().ViewCertInfo(GetActiveWindow(), certificate) != 0;
    return Record(shown ? 0 : kErrNoGraphicalInterface);
}

bool TSigner::ShowCertManager() {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    const bool started = TSelectCertDlg().StartCertMgr(GetActiveWindow()) != 0;
    return Record(started ? 0 : kErrNoGraphicalInterface);
}

bool TSigner::BuildCertificateChain(const CertInfo& certificate, std::vector<CertInfo>& out, DWORD first) {
    std::vector<CertInfo> chain;
    if (!TCryptoapi::CheckCertificateChain(certificate, chain, first)) return false;
    // A chain that stops below a self-issued root lacks an issuer the
    // user's stores do not hold; it is no chain to hand on.
    const CertInfo& top = chain.empty() ? certificate : chain.back();
    if (top.subjectDn != top.issuerDn) return false;
    out.insert(out.end(), chain.begin(), chain.end());
    return true;
}
