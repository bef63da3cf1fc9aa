// CPentak's members over the session's algorithm choices: the hash and
// signature algorithms.
#include "automation_text.h"
#include "pentak_class.h"
#include "platform/boundary.h"

using pentak::giveText;
using platform::winHr;

HRESULT CPentak::GetHashAlgorithmOid(BSTR* pVal) {
    return winHr([&] { return giveText(CEnroll::GetHashAlgorithmOid(), pVal); });
}
HRESULT CPentak::GetSignatureAlgorithmOid(BSTR* pVal) {
    return winHr([&] { return giveText(CEnroll::GetSignatureAlgorithmOid(), pVal); });
}
