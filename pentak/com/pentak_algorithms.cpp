// CPentak's members over the session's algorithm choices: which algorithm
// identifiers the provider offers, the hash and signature algorithms, and
// the registration of the OID information the library needs.
#include "automation_text.h"
#include "pentak_class.h"
#include "platform/boundary.h"
#include "result_rules.h"

using pentak::codeOf;
using pentak::giveText;
using pentak::textOf;
using platform::winHr;

HRESULT CPentak::IsAlgOidSupported(BSTR algOid) {
    return codeOf([&] { return CEnroll::IsAlgOidSupported(textOf(algOid)); });
}

HRESULT CPentak::SetHashAlgorithmOid(BSTR newVal) {
    return codeOf([&] { return CEnroll::SetHashAlgorithmOid(textOf(newVal)); });
}
HRESULT CPentak::GetHashAlgorithmOid(BSTR* pVal) {
    return winHr([&] { return giveText(CEnroll::GetHashAlgorithmOid(), pVal); });
}

HRESULT CPentak::SetSignatureAlgorithmOid(BSTR newVal) {
    return codeOf([&] { return CEnroll::SetSignatureAlgorithmOid(textOf(newVal)); });
}
HRESULT CPentak::GetSignatureAlgorithmOid(BSTR* pVal) {
    return winHr([&] { return giveText(CEnroll::GetSignatureAlgorithmOid(), pVal); });
}

HRESULT CPentak::RegisterOIDInfo() {
    return codeOf([&] { return CEnroll::RegisterOIDInfo(); });
}
