#include "chain/certificate_revocation.h"

#include "chain/crl_checks.h"
#include "chain/crl_lookup.h"
#include "chain/crl_signer.h"
#include "chain/crl_verdict.h"

namespace platform::crypt::chain {

namespace {

bool isCa(const CertificateFacts& facts) {
    return facts.basicConstraints && facts.basicConstraints->fCA;
}

// A CRL that may be read at all: every extension it marks critical is
// processed, and it is current.
std::optional<ReadCrl> readable(CrlRef crl, ULONGLONG now) {
    if (!crl) return std::nullopt;
    CrlFacts facts = crlFactsOf(*crl->pCrlInfo);
    if (!facts.usable || !crlCurrent(*crl->pCrlInfo, now)) return std::nullopt;
    return ReadCrl{std::move(crl), std::move(facts)};
}

CrlRef referenceTo(const ReadCrl* read) {
    return read ? duplicated(read->crl.get()) : nullptr;
}

// Undecided: with distribution points to fetch from, the CRLs were offline.
RevocationOutcome outcomeOf(const CrlVerdict& verdict, bool offline, DWORD& errors) {
    switch (verdict.status) {
    case CrlStatus::Good:
        return {0, referenceTo(verdict.base), referenceTo(verdict.delta)};
    case CrlStatus::Revoked:
        errors |= CERT_TRUST_IS_REVOKED;
        return {static_cast<DWORD>(CRYPT_E_REVOKED), referenceTo(verdict.base), referenceTo(verdict.delta),
                verdict.entry, verdict.entryInDelta};
    case CrlStatus::Unknown:
        break;
    }
    errors |= CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
    if (!offline) return {static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK)};
    errors |= CERT_TRUST_IS_OFFLINE_REVOCATION;
    return {static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE)};
}

}  // namespace

RevocationOutcome revocationOf(const Link& subject, PCCERT_CONTEXT issuer, const RevocationContext& context,
                               DWORD& errors) {
    const CERT_INFO& cert = *subject.cert->pCertInfo;
    const std::vector<DistributionPoint> points = distributionPointsOf(cert);
    const ScopeSubject scope{cert, isCa(subject.facts), points};
    const std::vector<std::string>& urls = subject.facts.crlUrls;
    CrlSigners signers(issuer, context);
    const auto signedFittingly = [&](const ReadCrl& read) { return signers.signedFittingly(read.crl.get()); };

    std::vector<ReadCrl> crls;
    for (CrlRef& crl : crlsAtHand(cert, points, urls, context.stores, context.now))
        if (auto read = readable(std::move(crl), context.now)) crls.push_back(std::move(*read));
    CrlVerdict verdict = verdictOf(crls, scope, signedFittingly);
    if (verdict.status == CrlStatus::Unknown && context.fetch && !urls.empty()) {
        for (const std::string& url : urls)
            if (auto read = readable(fetchCrl(url), context.now)) {
                if (signedFittingly(*read)) keepFetched(url, read->crl.get());
                crls.push_back(std::move(*read));
            }
        verdict = verdictOf(crls, scope, signedFittingly);
    }
    return outcomeOf(verdict, !urls.empty(), errors);
}

}  // namespace platform::crypt::chain
