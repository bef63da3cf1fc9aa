// The members of ISignerKyd over the signer's preset certificates and the
// provider of an inserted smart card.
#include <string>

#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::SetPresentCardCSP() {
    return RunOperation([&] {
        std::string provider;
        return m_signer.SetPresentCardCSP(provider);
    });
}

HRESULT CSignerKyd::ShowSignCert() {
    return RunOperation([&] { return m_signer.ShowCertSign(); });
}

HRESULT CSignerKyd::ShowTsaAuthenticationCert() {
    return RunOperation([&] { return m_signer.ShowTsaCertAuthentication(); });
}

HRESULT CSignerKyd::get_SignCertPem(BSTR* pVal) {
    return ReadText(pVal, [&] { return m_signer.GetCertSignPem(); });
}

HRESULT CSignerKyd::get_TsaAuthenticationCertPem(BSTR* pVal) {
    return ReadText(pVal, [&] { return m_signer.GetTsaCertAuthenticationPem(); });
}
