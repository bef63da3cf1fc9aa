// Revocation of the certificates of a path, as the CERT_CHAIN_REVOCATION_*
// flags ask: each one checked against the CRLs that tell about it.
#pragma once

#include <optional>
#include <vector>

#include "chain/element_checks.h"
#include "chain/engine_stores.h"

namespace platform::crypt::chain {

struct RevocationOutcome {
    DWORD result = 0;                  // dwRevocationResult
    CrlRef crl;                        // the complete CRL that decided, if one did
    CrlRef delta;                      // the delta CRL read over it, if any
    const CRL_ENTRY* entry = nullptr;  // the certificate's entry, when listed
    bool entryInDelta = false;         // the entry is the delta's
};

// One outcome per link (nullopt where none was asked for); the links'
// statuses get CERT_TRUST_IS_REVOKED, CERT_TRUST_REVOCATION_STATUS_UNKNOWN
// and CERT_TRUST_IS_OFFLINE_REVOCATION. Other CRL signers' paths are judged
// at the check time.
std::vector<std::optional<RevocationOutcome>> checkRevocation(const Path& path, DWORD flags, const EngineStores& stores,
                                                              ULONGLONG checkTime, Statuses& statuses);

// The certificate that issued the link: the next one, or the root itself;
// null past the end of a partial path.
PCCERT_CONTEXT issuerOnPath(const Path& path, std::size_t index);

}  // namespace platform::crypt::chain
