// The members of ISignerKyd that read a container: its signatures, the
// values of their signers, and its document.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::Pkcs7LoadFromFile(BSTR bstrKydFile) {
    return RunOperation(OnNames(m_signer, [&] { return m_signer.Pkcs7LoadFromFile(NameOf(bstrKydFile)); }));
}

HRESULT CSignerKyd::Pkcs7Clear() {
    return RunOperation([&] { return m_signer.Pkcs7Clear(); });
}

HRESULT CSignerKyd::Pkcs7GetSignerCount(LONG* pVal) {
    if (!pVal) return E_POINTER;
    return RunOperation([&] { return m_signer.Pkcs7GetSignerCount(*pVal); });
}

HRESULT CSignerKyd::Pkcs7GetSignerCert(LONG lIndex, BSTR* bstrCertPem) {
    return RunTextOperation(bstrCertPem, [&](std::string& text) { return m_signer.Pkcs7GetSignerCert(lIndex, text); });
}

HRESULT CSignerKyd::Pkcs7GetSignerCertValue(LONG lIndex, sgCertValTypes lValType, BSTR* pVal) {
    return RunTextOperation(pVal, [&](std::string& text) {
        return m_signer.Pkcs7GetSignerCertValue(lIndex, static_cast<LONG>(lValType), text);
    });
}

HRESULT CSignerKyd::Pkcs7GetSignerSigningTime(LONG lIndex, DATE* pVal) {
    if (!pVal) return E_POINTER;
    return RunOperation([&] { return m_signer.Pkcs7GetSignerSigningTime(lIndex, *pVal); });
}

HRESULT CSignerKyd::Pkcs7GetSignerSigningTimeLocal(LONG lIndex, DATE* pVal) {
    if (!pVal) return E_POINTER;
    return RunOperation([&] { return m_signer.Pkcs7GetSignerSigningTimeLocal(lIndex, *pVal); });
}

HRESULT CSignerKyd::Pkcs7GetSignerHashAlgorithmStr(LONG lIndex, BSTR* pVal) {
    return RunTextOperation(pVal, [&](std::string& text) { return m_signer.Pkcs7GetSignerHashAlgorithmStr(lIndex, text); });
}

HRESULT CSignerKyd::Pkcs7GetSignerAlgorithmStr(LONG lIndex, BSTR* pVal) {
    return RunTextOperation(pVal, [&](std::string& text) { return m_signer.Pkcs7GetSignerAlgorithmStr(lIndex, text); });
}

HRESULT CSignerKyd::Pkcs7GetSignerTimeStampValue(LONG lIndex, sgTimeStampValTypes lValType, BSTR* pVal) {
    return RunTextOperation(pVal, [&](std::string& text) {
        return m_signer.Pkcs7GetSignerTimeStampValue(lIndex, static_cast<LONG>(lValType), text);
    });
}

HRESULT CSignerKyd::Pkcs7GetSignerPolicyIdValue(LONG lIndex, sgSignPolicyIdValTypes lValType, BSTR* pVal) {
    return RunTextOperation(pVal, [&](std::string& text) {
        return m_signer.Pkcs7GetSignerPolicyIdValue(lIndex, static_cast<LONG>(lValType), text);
    });
}

HRESULT CSignerKyd::get_SignatureFile(BSTR* pVal) {
    return RunTextOperation(pVal, [&](std::string& text) { return m_signer.GetSignatureFile(text); });
}

HRESULT CSignerKyd::DocumentGetContentType(BSTR bstrKydFile, BSTR* pVal) {
    return RunTextOperation(pVal, OnNames(m_signer, [&](std::string& text) {
        return m_signer.DocumentGetContentType(NameOf(bstrKydFile), text);
    }));
}

HRESULT CSignerKyd::DocumentExtractToFile(BSTR bstrPath, BSTR bstrKydFile, BSTR bstrNewFile) {
    return RunOperation(OnNames(m_signer, [&] {
        return m_signer.DocumentExtractToFile(NameOf(bstrPath), NameOf(bstrKydFile), NameOf(bstrNewFile));
    }));
}
