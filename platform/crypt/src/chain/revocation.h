// Revocation of the certificates of a path, as the CERT_CHAIN_REVOCATION_*
// flags ask: each one checked against a CRL of its issuer.
#pragma once

#include <optional>
#include <vector>

#include "chain/element_checks.h"
#include "chain/engine_stores.h"

namespace platform::crypt::chain {

struct RevocationOutcome {
    DWORD result = 0;                  // dwRevocationResult
    CrlRef crl;                        // the CRL that decided, if one did
    const CRL_ENTRY* entry = nullptr;  // the certificate's entry in it, when listed
};

// One outcome per link (nullopt where none was asked for); the links'
// statuses get CERT_TRUST_IS_REVOKED, CERT_TRUST_REVOCATION_STATUS_UNKNOWN
// and CERT_TRUST_IS_OFFLINE_REVOCATION.
std::vector<std::optional<RevocationOutcome>> checkRevocation(const Path& path, DWORD flags, const EngineStores& stores,
                                                              Statuses& statuses);

}  // namespace platform::crypt::chain
