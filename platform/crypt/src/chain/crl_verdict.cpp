#include "chain/crl_verdict.h"

#include "chain/crl_checks.h"
#include "store/bytes.h"
#include "store/file_time.h"
#include "win32/crypt_chain.h"

namespace platform::crypt::chain {

namespace {

// RFC 5280 section 5.2.4: a delta updates a complete CRL of the same issuer
// and scope whose number is at least the delta's base number and below the
// delta's own.
bool updates(const ReadCrl& delta, const ReadCrl& base) {
    const CrlFacts &d = delta.facts, &b = base.facts;
    return store::sameBytes(store::viewOf(delta.crl->pCrlInfo->Issuer), store::viewOf(base.crl->pCrlInfo->Issuer)) &&
           d.issuingPointValue == b.issuingPointValue && d.authorityKeyIdValue == b.authorityKeyIdValue &&
           !b.number.empty() && !d.number.empty() && compareCrlNumbers(b.number, d.deltaBase) >= 0 &&
           compareCrlNumbers(b.number, d.number) < 0;
}

// The newest delta that updates the base.
const ReadCrl* deltaOver(const ReadCrl& base, const std::vector<ReadCrl>& crls,
                         const std::function<bool(const ReadCrl&)>& signedFittingly) {
    const ReadCrl* newest = nullptr;
    for (const ReadCrl& delta : crls)
        if (delta.facts.isDelta() && updates(delta, base) &&
            (!newest || compareCrlNumbers(delta.facts.number, newest->facts.number) > 0) && signedFittingly(delta))
            newest = &delta;
    return newest;
}

bool says(const CRL_ENTRY* entry, int reason) {
    return entry && reasonCodeOf(*entry) == reason;
}

ULONGLONG issuedAt(const ReadCrl& c) {
    return store::ticksOf(c.crl->pCrlInfo->ThisUpdate);
}

}  // namespace

CrlVerdict verdictOf(const std::vector<ReadCrl>& crls, const ScopeSubject& subject,
                     const std::function<bool(const ReadCrl&)>& signedFittingly) {
    CrlVerdict verdict;
    DWORD reasons = 0;
    for (const ReadCrl& base : crls) {
        if (base.facts.isDelta()) continue;
        const DWORD covered = reasonsCovered(*base.crl->pCrlInfo, base.facts, subject);
        if (!covered || !signedFittingly(base)) continue;
        const ReadCrl* delta = deltaOver(base, crls, signedFittingly);
        const CRL_ENTRY* listed = entryFor(*base.crl->pCrlInfo, base.facts, subject.cert);
        const CRL_ENTRY* changed = delta ? entryFor(*delta->crl->pCrlInfo, delta->facts, subject.cert) : nullptr;
        // removeFromCRL in a delta releases a hold of the base; nothing else
        // listed is taken back.
        if (changed && !says(changed, CRL_REASON_REMOVE_FROM_CRL))
            return {CrlStatus::Revoked, &base, delta, changed, true};
        if (listed && !(changed && says(listed, CRL_REASON_CERTIFICATE_HOLD)))
            return {CrlStatus::Revoked, &base, delta, listed, false};
        reasons |= covered;
        if (!verdict.base || issuedAt(base) > issuedAt(*verdict.base)) {
            verdict.base = &base;
            verdict.delta = delta;
        }
    }
    verdict.status = (reasons & kAllReasons) == kAllReasons ? CrlStatus::Good : CrlStatus::Unknown;
    return verdict;
}

}  // namespace platform::crypt::chain
