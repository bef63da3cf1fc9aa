// A certificate's CRL distribution points as RFC 5280 section 6.3.3 walks
// them: names, reasons and CRL issuer of each.
#pragma once

#include <optional>

#include "chain/crl_reasons.h"
#include "chain/scope_names.h"
#include "win32/crypt_types.h"

namespace platform::crypt::chain {

struct DistributionPoint {
    std::optional<GeneralNames> names;  // the distributionPoint field, when present
    DWORD reasons = kAllReasons;
    GeneralNames crlIssuer;  // empty: the certificate's issuer issues the CRL
};

// The points of the certificate's extension, then the one assumed for CRLs
// that no point names: named by the certificate's issuer, for all reasons.
// An extension that does not decode gives no points of its own (the
// certificate has an invalid extension then).
std::vector<DistributionPoint> distributionPointsOf(const CERT_INFO& cert);

}  // namespace platform::crypt::chain
