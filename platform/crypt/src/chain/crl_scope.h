// Whether a CRL's scope covers a certificate (RFC 5280 section 6.3.3 (b)
// and (d)): its issuer, its issuing distribution point against the
// certificate's distribution points, the kinds of certificate it lists and
// the reasons it covers.
#pragma once

#include "chain/crl_facts.h"
#include "chain/distribution_points.h"

namespace platform::crypt::chain {

struct ScopeSubject {
    const CERT_INFO& cert;
    bool isCa;  // basic constraints with cA
    const std::vector<DistributionPoint>& points;
};

// The reasons for which the CRL tells about the certificate, over every
// distribution point whose scope it covers; 0 when it covers none.
DWORD reasonsCovered(const CRL_INFO& crl, const CrlFacts& facts, const ScopeSubject& subject);

}  // namespace platform::crypt::chain
