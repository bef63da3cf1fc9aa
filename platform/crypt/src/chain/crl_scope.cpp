#include "chain/crl_scope.h"

#include "store/bytes.h"

namespace platform::crypt::chain {

namespace {

// (b)(1): a point that names a CRL issuer takes only an indirect CRL of that
// issuer; others only a CRL of the certificate's issuer.
bool issuerFits(const CRL_INFO& crl, const CrlFacts& facts, const ScopeSubject& subject,
                const DistributionPoint& point) {
    if (point.crlIssuer.empty()) return store::sameBytes(store::viewOf(crl.Issuer), store::viewOf(subject.cert.Issuer));
    return facts.issuingPoint && facts.issuingPoint->indirect &&
           anyInCommon(point.crlIssuer, {directoryName(store::viewOf(crl.Issuer))});
}

// (b)(2)(i): the issuing point's name is one of the point's names, or of its
// CRL issuer's when the point has none.
bool namesFit(const IssuingDistributionPoint& idp, const DistributionPoint& point) {
    if (!idp.names) return true;
    if (point.names) return anyInCommon(*idp.names, *point.names);
    return anyInCommon(*idp.names, point.crlIssuer);
}

// (b)(2)(ii) to (iv).
bool kindFits(const IssuingDistributionPoint& idp, bool isCa) {
    return !(idp.onlyUserCerts && isCa) && !(idp.onlyCaCerts && !isCa) && !idp.onlyAttributeCerts;
}

}  // namespace

DWORD reasonsCovered(const CRL_INFO& crl, const CrlFacts& facts, const ScopeSubject& subject) {
    DWORD covered = 0;
    for (const DistributionPoint& point : subject.points) {
        if (!issuerFits(crl, facts, subject, point)) continue;
        if (!facts.issuingPoint) {
            covered |= point.reasons;
            continue;
        }
        const IssuingDistributionPoint& idp = *facts.issuingPoint;
        if (namesFit(idp, point) && kindFits(idp, subject.isCa)) covered |= point.reasons & idp.reasons;
    }
    return covered;
}

}  // namespace platform::crypt::chain
