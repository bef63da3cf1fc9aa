// The members of ISignerKyd over the signer's certificates: the preset ones
// read, shown or given as PEM text, chosen by issuer, any certificate or the
// system's certificate manager shown, and the provider of an inserted
// smart card.
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

HRESULT CSignerKyd::put_SignCertPem(BSTR newVal) {
    return RunOperation([&] { return m_signer.SetCertSignPem(NarrowOf(newVal)); });
}

HRESULT CSignerKyd::put_TsaAuthenticationCertPem(BSTR newVal) {
    return RunOperation([&] { return m_signer.SetTsaCertAuthenticationPem(NarrowOf(newVal)); });
}

HRESULT CSignerKyd::SetSignCert(BSTR bstrIssuerDN) {
    return RunOperation([&] {
        CertInfo chosen;
        return m_signer.SetCertSign(NarrowOf(bstrIssuerDN), &chosen);
    });
}

HRESULT CSignerKyd::SetTsaAuthenticationCert(BSTR bstrIssuerDN) {
    return RunOperation([&] { return m_signer.SetTsaCertAuthentication(NarrowOf(bstrIssuerDN)); });
}

HRESULT CSignerKyd::ShowCert(BSTR bstrCertPem) {
    return RunOperation([&] { return m_signer.ShowCert(NarrowOf(bstrCertPem)); });
}

HRESULT CSignerKyd::ShowCertManager() {
    return RunOperation([&] { return m_signer.ShowCertManager(); });
}
