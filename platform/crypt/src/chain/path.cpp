// path.cpp: building the path one issuer at a time.
#include "chain/path.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "chain/name_match.h"
#include "chain/validity.h"
#include "store/compare.h"
#include "store/file_time.h"

namespace platform::crypt::chain {

namespace {

using store::sameBytes;
using store::viewOf;

// Longer paths than this are not followed: hostile stores cannot make the
// engine walk for ever.
constexpr std::size_t kMaxLength = 20;

bool signedBy(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer) {
    DWORD failing = CERT_STORE_SIGNATURE_FLAG;
    return CertVerifySubjectCertificateContext(subject, issuer, &failing) && failing == 0;
}

bool keyIdAgrees(const CertificateFacts& subject, const CertificateFacts& issuer) {
    return !subject.authorityKeyId || subject.authorityKeyId->keyId.empty() ||
           sameBytes(subject.authorityKeyId->keyId, issuer.keyId);
}

bool issuerSerialGiven(const CertificateFacts& subject) {
    return subject.authorityKeyId && !subject.authorityKeyId->issuerName.empty() &&
           !subject.authorityKeyId->issuerSerial.empty();
}

bool issuerSerialAgrees(const CertificateFacts& subject, const CERT_INFO& issuer) {
    return issuerSerialGiven(subject) && sameName(subject.authorityKeyId->issuerName, viewOf(issuer.Issuer)) &&
           store::sameInteger(subject.authorityKeyId->issuerSerial, viewOf(issuer.SerialNumber));
}

IssuerMatch matchOf(const CertificateFacts& subject, const CERT_INFO& issuer, const CertificateFacts& issuerFacts) {
    if (issuerSerialAgrees(subject, issuer)) return IssuerMatch::Exact;
    if (subject.authorityKeyId && !subject.authorityKeyId->keyId.empty() && keyIdAgrees(subject, issuerFacts))
        return IssuerMatch::Key;
    return IssuerMatch::Name;
}

bool agreesWithAuthorityKeyId(const CertificateFacts& subject, const CERT_INFO& issuer,
                              const CertificateFacts& issuerFacts) {
    return keyIdAgrees(subject, issuerFacts) && (!issuerSerialGiven(subject) || issuerSerialAgrees(subject, issuer));
}

// Its own issuer: the names are the same and, when it names its issuer's
// key, that key is its own.
bool selfSigned(const Link& link) {
    const CERT_INFO& info = *link.cert->pCertInfo;
    return sameName(viewOf(info.Subject), viewOf(info.Issuer)) && keyIdAgrees(link.facts, link.facts);
}

bool onPath(const std::vector<Link>& links, PCCERT_CONTEXT cert) {
    return std::any_of(links.begin(), links.end(), [&](const Link& l) {
        return sameBytes(store::View(l.cert->pbCertEncoded, l.cert->cbCertEncoded),
                         store::View(cert->pbCertEncoded, cert->cbCertEncoded));
    });
}

struct Candidate {
    Link link;
    IssuerMatch match;
    bool signatureValid;
    std::tuple<bool, bool, bool, bool, bool, ULONGLONG> rank;
};

bool statesCaRights(const CertificateFacts& facts) {
    return facts.basicConstraints && facts.basicConstraints->fCA;
}

Candidate candidateFor(const Link& subject, CertRef issuer, const EngineStores& stores, ULONGLONG checkTime) {
    Link link{std::move(issuer), {}};
    link.facts = factsOf(link.cert.get());
    const CERT_INFO& info = *link.cert->pCertInfo;
    const bool signature = signedBy(subject.cert.get(), link.cert.get());
    const auto rank = std::make_tuple(agreesWithAuthorityKeyId(subject.facts, info, link.facts), signature,
                                      statesCaRights(link.facts), validAt(info, checkTime),
                                      stores.isTrustAnchor(link.cert.get()), store::ticksOf(info.NotBefore));
    const IssuerMatch match = matchOf(subject.facts, info, link.facts);
    return {std::move(link), match, signature, rank};
}

// Weighs candidates for the last link's issuer and keeps the best by rank.
class IssuerSearch {
public:
    IssuerSearch(const Path& path, const EngineStores& stores, ULONGLONG checkTime)
        : m_path(path), m_stores(stores), m_checkTime(checkTime) {}

    // Only those that agree with the authority key identifier, when asked.
    void consider(std::vector<CertRef> issuers, bool agreeingOnly) {
        for (CertRef& issuer : issuers) {
            if (onPath(m_path.links, issuer.get())) {
                m_sawOnPath = true;
                continue;
            }
            Candidate c = candidateFor(m_path.links.back(), std::move(issuer), m_stores, m_checkTime);
            if (agreeingOnly && !agrees(c)) continue;
            if (!best || c.rank > best->rank) best = std::move(c);
        }
    }
    static bool agrees(const Candidate& c) { return std::get<0>(c.rank); }
    PathEnd reasonForNone() const { return m_sawOnPath ? PathEnd::Cycle : PathEnd::NoIssuer; }

    std::optional<Candidate> best;

private:
    const Path& m_path;
    const EngineStores& m_stores;
    ULONGLONG m_checkTime;
    bool m_sawOnPath = false;
};

// The issuer the engine takes for the last link, or the reason there is none.
// Certificates named byte for byte as the issuer come first. Those whose
// names only compare equal are looked at when there is no such certificate,
// or when none of them agrees with the authority key identifier; then only
// the ones that agree are taken.
std::optional<Candidate> bestIssuer(const Path& path, const EngineStores& stores, ULONGLONG checkTime,
                                    PathEnd& reason) {
    const CERT_NAME_BLOB& issuerName = path.links.back().cert->pCertInfo->Issuer;
    IssuerSearch search(path, stores, checkTime);
    search.consider(stores.subjectsNamed(issuerName), false);
    const bool anyNamed = search.best.has_value();
    if (!anyNamed || !IssuerSearch::agrees(*search.best))
        search.consider(stores.subjectsMatching(issuerName), anyNamed);
    reason = search.reasonForNone();
    return std::move(search.best);
}

}  // namespace

Path buildPath(PCCERT_CONTEXT end, const EngineStores& stores, ULONGLONG checkTime) {
    Path path;
    path.links.push_back(Link{duplicated(end), factsOf(end)});
    for (;;) {
        Link& last = path.links.back();
        if (selfSigned(last)) {
            last.issuerMatch = matchOf(last.facts, *last.cert->pCertInfo, last.facts);
            last.signatureValid = signedBy(last.cert.get(), last.cert.get());
            path.end = stores.isTrustAnchor(last.cert.get()) ? PathEnd::TrustedRoot : PathEnd::UntrustedRoot;
            return path;
        }
        if (path.links.size() == kMaxLength) {
            path.end = PathEnd::NoIssuer;
            return path;
        }
        std::optional<Candidate> issuer = bestIssuer(path, stores, checkTime, path.end);
        if (!issuer) return path;
        last.issuerMatch = issuer->match;
        last.signatureValid = issuer->signatureValid;
        path.links.push_back(std::move(issuer->link));
    }
}

}  // namespace platform::crypt::chain
