// The revocation status of one certificate, from every CRL that may tell
// about it: those of the stores searched and of this process's cache, and
// when they do not decide, those fetched from its distribution points.
#pragma once

#include <vector>

#include "chain/revocation.h"

namespace platform::crypt::chain {

struct RevocationContext {
    const EngineStores& stores;
    bool fetch;             // CRLs may be fetched from distribution points
    ULONGLONG checkTime;    // the chain's check time: CRL signers' paths are judged at it
    ULONGLONG now;          // CRLs are judged current now
    const Path& chain;      // the chain asked about: other CRL signers must reach its root
    // CRL signers whose own revocation is being checked, outermost first.
    std::vector<PCCERT_CONTEXT> signersInProgress;
};

// Adds CERT_TRUST_IS_REVOKED, CERT_TRUST_REVOCATION_STATUS_UNKNOWN and
// CERT_TRUST_IS_OFFLINE_REVOCATION to `errors` as the outcome says.
RevocationOutcome revocationOf(const Link& subject, PCCERT_CONTEXT issuer, const RevocationContext& context,
                               DWORD& errors);

}  // namespace platform::crypt::chain
