// Whether a CRL may decide about a certificate, and the certificate's entry
// in it.
#pragma once

#include "win32/crypt_types.h"

namespace platform::crypt::chain {

// The issuer's name and key made it (the issuer's key usage, where stated,
// allows CRL signing), it is a full CRL rather than a delta, and it is not
// past its nextUpdate (none given: no limit).
bool crlUsable(PCCRL_CONTEXT crl, PCCERT_CONTEXT issuer, ULONGLONG now);
// The entry with the certificate's serial number, or null.
const CRL_ENTRY* entryFor(PCCRL_CONTEXT crl, const CERT_INFO& cert);

}  // namespace platform::crypt::chain
