// The path from a certificate to a root: which issuer each certificate got,
// how it was matched and whether its key made the signature.
#pragma once

#include <vector>

#include "chain/certificate_facts.h"
#include "chain/engine_stores.h"

namespace platform::crypt::chain {

// How a certificate's issuer was found: by the authority key identifier's
// issuer name and serial number, by its key identifier, or by name alone.
enum class IssuerMatch { None, Name, Key, Exact };

struct Link {
    CertRef cert;
    CertificateFacts facts;
    IssuerMatch issuerMatch = IssuerMatch::None;  // None: no issuer was found
    bool signatureValid = true;                   // checked only where an issuer was found
};

enum class PathEnd {
    TrustedRoot,    // a self-signed certificate of a "Root" store
    UntrustedRoot,  // a self-signed certificate found elsewhere
    NoIssuer,       // the last certificate's issuer is nowhere (or the path grew too long)
    Cycle,          // the last certificate's only issuers are already on the path
};

struct Path {
    std::vector<Link> links;  // the certificate first
    PathEnd end = PathEnd::NoIssuer;
    bool complete() const noexcept { return end == PathEnd::TrustedRoot || end == PathEnd::UntrustedRoot; }
};

// Issuers are the certificates named byte for byte as the issuer; when none
// is, or none agrees with the authority key identifier, also those whose
// names compare equal (name_match.h), then only agreeing ones where
// byte-equal ones exist. Among several the engine takes the one that agrees
// with the authority key identifier, then one whose key verifies the
// signature, then one that states CA rights, then one valid at the check
// time, then a trust anchor, then the newest.
Path buildPath(PCCERT_CONTEXT end, const EngineStores& stores, ULONGLONG checkTime);

}  // namespace platform::crypt::chain
