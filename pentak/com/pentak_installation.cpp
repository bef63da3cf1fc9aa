// CPentak's members over the session's installation of issued
// certificates, and the CA bundle as PEM.
#include "automation_text.h"
#include "pentak_class.h"
#include "text_results.h"

using pentak::codeGivingText;
using pentak::codeOf;
using pentak::flagOf;
using pentak::textOf;

HRESULT CPentak::AcceptPkcs7(BSTR pkcs7) {
    return flagOf([&] { return CEnroll::AcceptPkcs7(textOf(pkcs7)); });
}

HRESULT CPentak::AcceptX509(BSTR x509) {
    return flagOf([&] { return CEnroll::AcceptX509(textOf(x509)); });
}

HRESULT CPentak::EnrollX509(BSTR bstrX509, BSTR bstrCaCmf, LONG lFlags) {
    return codeOf([&] { return CEnroll::EnrollX509(textOf(bstrX509), textOf(bstrCaCmf), static_cast<DWORD>(lFlags)); });
}

HRESULT CPentak::CmfToPem(BSTR certCmf, BSTR* certPem) {
    return codeGivingText(certPem, [&](std::u16string& text) { return CEnroll::CmfToPem(textOf(certCmf), text); });
}
