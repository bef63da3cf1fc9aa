// What a certificate's CRLs say about it, as RFC 5280 section 6.3.3 reads
// them: every CRL whose scope covers it is read, an entry in any of them
// revokes it, and it is known not to be revoked only when the CRLs read
// cover every reason. A delta CRL is read over a complete CRL it updates.
#pragma once

#include <functional>

#include "chain/crl_scope.h"
#include "chain/references.h"

namespace platform::crypt::chain {

struct ReadCrl {
    CrlRef crl;
    CrlFacts facts;
};

enum class CrlStatus { Good, Revoked, Unknown };

struct CrlVerdict {
    CrlStatus status = CrlStatus::Unknown;
    const ReadCrl* base = nullptr;   // the complete CRL that decided: the listing one, else the newest read
    const ReadCrl* delta = nullptr;  // the delta CRL read over it, if any
    const CRL_ENTRY* entry = nullptr;
    bool entryInDelta = false;
};

// `crls` are usable and current; `signedFittingly` tells whether one was
// signed by a certificate that may sign it, and is asked only about CRLs
// whose scope covers the certificate.
CrlVerdict verdictOf(const std::vector<ReadCrl>& crls, const ScopeSubject& subject,
                     const std::function<bool(const ReadCrl&)>& signedFittingly);

}  // namespace platform::crypt::chain
