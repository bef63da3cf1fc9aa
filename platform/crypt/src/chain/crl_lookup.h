// Finding a CRL that may decide about a certificate: one already in the
// stores searched, else one from its distribution points: kept by this
// process, or fetched (unless only what is at hand may be used).
#pragma once

#include "chain/engine_stores.h"
#include "chain/path.h"

namespace platform::crypt::chain {

enum class CrlSource { Found, NoDistributionPoint, Unavailable };

struct CrlLookup {
    CrlSource source = CrlSource::Unavailable;
    CrlRef crl;  // set when found
};

CrlLookup findCrl(const Link& subject, PCCERT_CONTEXT issuer, const EngineStores& stores, bool fetch, ULONGLONG now);

}  // namespace platform::crypt::chain
