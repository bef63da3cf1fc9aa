// The checks of CertVerifySubjectCertificateContext, shared with
// CertGetIssuerCertificateFromStore.
#pragma once

#include "win32/crypt_types.h"

namespace platform::crypt::store {

// E_INVALIDARG for flags other than SIGNATURE and TIME_VALIDITY (revocation
// is the chain engine's).
void checkSubjectFlags(DWORD flags);
// The flags of the checks asked for that fail; those that pass are cleared.
DWORD failingChecks(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer, DWORD flags);

}  // namespace platform::crypt::store
