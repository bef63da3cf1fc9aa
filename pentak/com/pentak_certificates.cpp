// CPentak's members over the session's certificates: the usable ones listed
// and picked, shown and named, their values and issuers, the CSP store
// loaded, and certificates and containers removed from the card.
#include "automation_text.h"
#include "pentak_class.h"
#include "text_results.h"

using pentak::codeGivingText;
using pentak::codeOf;
using pentak::flagGivingText;
using pentak::textOf;

HRESULT CPentak::EnumCerts(LONG index, BSTR caCerts, BSTR* subject) { return EnumCertsEx(index, caCerts, 0, subject); }

HRESULT CPentak::EnumCertsEx(LONG index, BSTR caCerts, LONG boolCspStore, BSTR* subject) {
    return codeGivingText(subject, [&](std::u16string& text) {
        return CEnroll::EnumCertsEx(index, textOf(caCerts), boolCspStore, text);
    });
}

HRESULT CPentak::GetCert(LONG index, BSTR caCerts, BSTR* cert) { return GetCertEx(index, caCerts, 0, cert); }

HRESULT CPentak::GetCertEx(LONG index, BSTR caCerts, LONG boolCspStore, BSTR* cert) {
    return codeGivingText(cert, [&](std::u16string& text) {
        return CEnroll::GetCertEx(index, textOf(caCerts), boolCspStore, text);
    });
}

HRESULT CPentak::SelectCert(BSTR caCerts, BSTR* cert) { return SelectCertEx(caCerts, 0, cert); }

HRESULT CPentak::SelectCertEx(BSTR caCerts, LONG boolCspStore, BSTR* cert) {
    return codeGivingText(cert, [&](std::u16string& text) {
        return CEnroll::SelectCertEx(textOf(caCerts), boolCspStore, text);
    });
}

HRESULT CPentak::ViewCert(BSTR cert) {
    return codeOf([&] { return CEnroll::ViewCert(textOf(cert)); });
}

HRESULT CPentak::ParseCertSubjectToStr(BSTR cert, LONG type, BSTR* subject) {
    return flagGivingText(subject, [&](std::u16string& text) {
        return CEnroll::ParseCertSubjectToStr(textOf(cert), static_cast<DWORD>(type), text);
    });
}

HRESULT CPentak::ParseCertIssuerToStr(BSTR cert, LONG type, BSTR* issuer) {
    return flagGivingText(issuer, [&](std::u16string& text) {
        return CEnroll::ParseCertIssuerToStr(textOf(cert), static_cast<DWORD>(type), text);
    });
}

HRESULT CPentak::GetCertVal(BSTR bstrCert, sgCertInfoTypes lType, BSTR* bstrVal) {
    return codeGivingText(bstrVal, [&](std::u16string& text) {
        return CEnroll::GetCertVal(textOf(bstrCert), static_cast<LONG>(lType), text);
    });
}

// The answer is written also on failure (then false).
HRESULT CPentak::IsIssued(BSTR certPem, BSTR issuerPem, VARIANT_BOOL* bStat) {
    if (!bStat) return E_POINTER;
    BOOL issued = FALSE;
    const HRESULT hr = codeOf([&] { return CEnroll::IsIssued(textOf(certPem), textOf(issuerPem), issued); });
    *bStat = issued ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}

HRESULT CPentak::CSPLoadStore(LONG full, LONG* lCount) {
    if (!lCount) return E_POINTER;
    LONG count = 0;
    const HRESULT hr = codeOf([&] { return CEnroll::CSPLoadStore(full, count); });
    if (SUCCEEDED(hr)) *lCount = count;
    return hr;
}

// The count is written also when a removal failed: those before it are gone.
HRESULT CPentak::DeleteCerts(BSTR bstrContainerStr, LONG* pNcerts) {
    if (!pNcerts) return E_POINTER;
    LONG count = 0;
    const HRESULT hr = codeOf([&] { return CEnroll::DeleteCerts(textOf(bstrContainerStr), count); });
    *pNcerts = count;
    return hr;
}

HRESULT CPentak::DeleteCertificate(BSTR bstrX509) {
    return codeOf([&] { return CEnroll::DeleteCertificate(textOf(bstrX509)); });
}

HRESULT CPentak::DeleteExpiredCertificates(ULONG nDays) {
    return codeOf([&] { return CEnroll::DeleteExpiredCertificates(nDays); });
}

HRESULT CPentak::DeleteObsoleteContent() {
    return codeOf([&] { return CEnroll::DeleteObsoleteContent(); });
}
