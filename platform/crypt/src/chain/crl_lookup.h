// Where a certificate's CRLs come from: the stores searched (CRLs of its
// issuer and of its distribution points' CRL issuers), this process's cache
// of fetched CRLs, and the distribution points' http:// URLs.
#pragma once

#include <string>

#include "chain/distribution_points.h"
#include "chain/engine_stores.h"

namespace platform::crypt::chain {

std::vector<CrlRef> crlsAtHand(const CERT_INFO& cert, const std::vector<DistributionPoint>& points,
                               const std::vector<std::string>& urls, const EngineStores& stores, ULONGLONG now);
// The CRL at the URL, or null: a server that cannot be reached, a reply
// that is not a CRL or one too big or too slow are all the same to the caller.
CrlRef fetchCrl(const std::string& url);
// Kept for the URL until its nextUpdate (none: not kept).
void keepFetched(const std::string& url, PCCRL_CONTEXT crl);

}  // namespace platform::crypt::chain
