// What the chain engine reads from a CRL's extensions and its entries'
// (RFC 5280 sections 5.2 and 5.3), read with the layer's DER reader.
#pragma once

#include <optional>
#include <utility>

#include "chain/crl_reasons.h"
#include "chain/scope_names.h"
#include "win32/crypt_types.h"

namespace platform::crypt::chain {

// RFC 5280 section 5.2.5.
struct IssuingDistributionPoint {
    std::optional<GeneralNames> names;  // relative names made full against the CRL's issuer
    bool onlyUserCerts = false;
    bool onlyCaCerts = false;
    bool onlyAttributeCerts = false;
    bool indirect = false;
    DWORD reasons = kAllReasons;  // onlySomeReasons, when present
};

struct CrlFacts {
    // False when a critical extension of the CRL or of an entry is one the
    // engine does not process, or when one it processes does not decode:
    // such a CRL must not be used.
    bool usable = true;
    der::Bytes number;      // CRL number, big-endian without leading zeros; empty when absent
    der::Bytes deltaBase;   // a delta CRL's BaseCRLNumber, the same way; empty for a complete CRL
    std::optional<IssuingDistributionPoint> issuingPoint;
    // The issuing distribution point and authority key identifier values as
    // they stand (empty when absent), to hold a delta's scope against its base's.
    der::Bytes issuingPointValue, authorityKeyIdValue;
    // Where entries name their certificates' issuer (the certificate issuer
    // entry extension, section 5.3.3): from that entry index on, until the
    // next. Entries before the first belong to the CRL's issuer.
    std::vector<std::pair<DWORD, GeneralNames>> entryIssuers;

    bool isDelta() const noexcept { return !deltaBase.empty(); }
};

CrlFacts crlFactsOf(const CRL_INFO& crl);

// -1, 0 or 1 as CRL number a is below, equal to or above b.
int compareCrlNumbers(const der::Bytes& a, const der::Bytes& b);

}  // namespace platform::crypt::chain
