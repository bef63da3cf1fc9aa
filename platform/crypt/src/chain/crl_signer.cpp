#include "chain/crl_signer.h"

#include <algorithm>

#include "chain/constraint_check.h"
#include "chain/crl_checks.h"
#include "chain/crl_signature.h"
#include "store/bytes.h"

namespace platform::crypt::chain {

namespace {

constexpr std::size_t kMaxSignerDepth = 2;

bool sameCertificate(PCCERT_CONTEXT a, PCCERT_CONTEXT b) {
    return store::sameBytes(store::View(a->pbCertEncoded, a->cbCertEncoded),
                            store::View(b->pbCertEncoded, b->cbCertEncoded));
}

bool mayHaveSigned(PCCRL_CONTEXT crl, PCCERT_CONTEXT cert) {
    return store::sameBytes(store::viewOf(cert->pCertInfo->Subject), store::viewOf(crl->pCrlInfo->Issuer)) &&
           mayIssueCrls(cert) && crlSignedBy(crl, cert);
}

bool onPath(const Path& path, PCCERT_CONTEXT cert) {
    return std::any_of(path.links.begin(), path.links.end(),
                       [&](const Link& link) { return sameCertificate(link.cert.get(), cert); });
}

bool errorFree(const Path& path, ULONGLONG checkTime) {
    Statuses statuses = checkElements(path, checkTime);
    addConstraintErrors(path, checkTime, statuses);
    return std::all_of(statuses.begin(), statuses.end(),
                       [](const CERT_TRUST_STATUS& s) { return s.dwErrorStatus == 0; });
}

}  // namespace

bool CrlSigners::signedFittingly(PCCRL_CONTEXT crl) {
    auto it = m_judged.find(crl);
    if (it == m_judged.end()) it = m_judged.emplace(crl, judge(crl)).first;
    return it->second;
}

bool CrlSigners::judge(PCCRL_CONTEXT crl) const {
    if (mayHaveSigned(crl, m_issuer)) return true;
    if (m_context.signersInProgress.size() >= kMaxSignerDepth) return false;
    for (const CertRef& candidate : m_context.stores.subjectsNamed(crl->pCrlInfo->Issuer))
        if (!sameCertificate(candidate.get(), m_issuer) && mayHaveSigned(crl, candidate.get()) &&
            holds(candidate.get()))
            return true;
    return false;
}

// The signer's path reaches the chain's root without errors, and no
// certificate of it below the chain is revoked. A signer whose status is
// being checked cannot vouch for itself.
bool CrlSigners::holds(PCCERT_CONTEXT signer) const {
    const auto& inProgress = m_context.signersInProgress;
    if (std::any_of(inProgress.begin(), inProgress.end(), [&](PCCERT_CONTEXT c) { return sameCertificate(c, signer); }))
        return false;
    const Path& chain = m_context.chain;
    if (!chain.complete()) return false;
    const Path path = buildPath(signer, m_context.stores, m_context.checkTime);
    if (!path.complete() || !sameCertificate(path.links.back().cert.get(), chain.links.back().cert.get()) ||
        !errorFree(path, m_context.checkTime))
        return false;
    RevocationContext inner = m_context;
    inner.signersInProgress.push_back(signer);
    for (std::size_t i = 0; i < path.links.size() && !onPath(chain, path.links[i].cert.get()); ++i) {
        DWORD errors = 0;
        if (revocationOf(path.links[i], issuerOnPath(path, i), inner, errors).result != 0) return false;
    }
    return true;
}

}  // namespace platform::crypt::chain
