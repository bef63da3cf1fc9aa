#include "chain/revocation.h"

#include "chain/certificate_revocation.h"
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

RevocationOutcome outcomeOf(const Path& path, std::size_t index, const RevocationContext& context, DWORD& errors) {
    const PCCERT_CONTEXT issuer = issuerOnPath(path, index);
    if (issuer) return revocationOf(path.links[index], issuer, context, errors);
    errors |= CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
    return {static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK)};
}

}  // namespace

PCCERT_CONTEXT issuerOnPath(const Path& path, std::size_t index) {
    if (index + 1 < path.links.size()) return path.links[index + 1].cert.get();
    return path.complete() ? path.links[index].cert.get() : nullptr;
}

std::vector<std::optional<RevocationOutcome>> checkRevocation(const Path& path, DWORD flags, const EngineStores& stores,
                                                              ULONGLONG checkTime, Statuses& statuses) {
    const bool fetch = !(flags & (CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY | CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL));
    const RevocationContext context{stores, fetch, checkTime, clock::nowFileTime(), path, {}};
    std::vector<std::optional<RevocationOutcome>> outcomes(path.links.size());
    for (std::size_t i = 0; i < path.links.size(); ++i)
        if (asked(path, i, flags)) outcomes[i] = outcomeOf(path, i, context, statuses[i].dwErrorStatus);
    return outcomes;
}

}  // namespace platform::crypt::chain
