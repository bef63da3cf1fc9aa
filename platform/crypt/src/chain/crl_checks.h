// Checks of one CRL and one certificate that need no path: freshness, the
// signer's key usage, the certificate's entry and its reason.
#pragma once

#include <optional>

#include "chain/crl_facts.h"

namespace platform::crypt::chain {

// Not past its nextUpdate (none given: no limit).
bool crlCurrent(const CRL_INFO& crl, ULONGLONG now);
// The certificate's key usage, where stated, allows signing CRLs.
bool mayIssueCrls(PCCERT_CONTEXT cert);
// The entry with the certificate's serial number whose certificate issuer
// (RFC 5280 section 5.3.3; the CRL's issuer unless an entry names another)
// is the certificate's issuer; null when there is none. Of several, one
// that revokes for good (neither certificateHold nor removeFromCRL) first.
const CRL_ENTRY* entryFor(const CRL_INFO& crl, const CrlFacts& facts, const CERT_INFO& cert);
// The entry's reason code; nothing when it has none or it does not decode.
std::optional<int> reasonCodeOf(const CRL_ENTRY& entry);

}  // namespace platform::crypt::chain
