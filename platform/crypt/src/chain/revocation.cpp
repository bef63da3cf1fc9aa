#include "chain/revocation.h"

#include "chain/crl_checks.h"
#include "chain/crl_lookup.h"
#include "platform/clock.h"

namespace platform::crypt::chain {

namespace {

// Which links the flags ask about; the widest flag given wins.
bool asked(const Path& path, std::size_t index, DWORD flags) {
    const bool isRoot = path.complete() && index + 1 == path.links.size();
    if (flags & CERT_CHAIN_REVOCATION_CHECK_CHAIN) return true;
    if (flags & CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT) return !isRoot;
    if (flags & CERT_CHAIN_REVOCATION_CHECK_END_CERT) return index == 0;
    return false;
}

// The certificate that issued the link: the next one, or the root itself.
PCCERT_CONTEXT issuerOf(const Path& path, std::size_t index) {
    if (index + 1 < path.links.size()) return path.links[index + 1].cert.get();
    return path.complete() ? path.links[index].cert.get() : nullptr;
}

RevocationOutcome outcomeOf(const Path& path, std::size_t index, bool fetch, const EngineStores& stores,
                            DWORD& errors) {
    const PCCERT_CONTEXT issuer = issuerOf(path, index);
    if (!issuer) {
        errors |= CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
        return {static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK)};
    }
    CrlLookup lookup = findCrl(path.links[index], issuer, stores, fetch, clock::nowFileTime());
    switch (lookup.source) {
    case CrlSource::NoDistributionPoint:
        errors |= CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
        return {static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK)};
    case CrlSource::Unavailable:
        errors |= CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
        return {static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE)};
    case CrlSource::Found:
        break;
    }
    const CRL_ENTRY* entry = entryFor(lookup.crl.get(), *path.links[index].cert->pCertInfo);
    if (!entry) return {0, std::move(lookup.crl)};
    errors |= CERT_TRUST_IS_REVOKED;
    return {static_cast<DWORD>(CRYPT_E_REVOKED), std::move(lookup.crl), entry};
}

}  // namespace

std::vector<std::optional<RevocationOutcome>> checkRevocation(const Path& path, DWORD flags, const EngineStores& stores,
                                                              Statuses& statuses) {
    const bool fetch = !(flags & (CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY | CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL));
    std::vector<std::optional<RevocationOutcome>> outcomes(path.links.size());
    for (std::size_t i = 0; i < path.links.size(); ++i)
        if (asked(path, i, flags)) outcomes[i] = outcomeOf(path, i, fetch, stores, statuses[i].dwErrorStatus);
    return outcomes;
}

}  // namespace platform::crypt::chain
