// The stores one chain is built from, opened for the length of the call.
#pragma once

#include <vector>

#include "chain/references.h"

namespace platform::crypt::chain {

enum class Engine { CurrentUser, LocalMachine };

class EngineStores {
public:
    // Roots: the "Root" stores (the user's and the machine's, or the
    // machine's alone). Issuers and CRLs are looked for in the roots, the
    // additional store, the "CA" stores and the certificate's own store, in
    // that order. System stores that cannot be read hold nothing.
    EngineStores(Engine engine, HCERTSTORE additional, HCERTSTORE own);

    // Certificates whose subject is the name, each encoding once: byte for
    // byte, or by name comparison (name_match.h).
    std::vector<CertRef> subjectsNamed(const CERT_NAME_BLOB& name) const;
    std::vector<CertRef> subjectsMatching(const CERT_NAME_BLOB& name) const;
    bool isTrustAnchor(PCCERT_CONTEXT cert) const;
    // CRLs whose issuer is the name.
    std::vector<CrlRef> crlsIssuedBy(const CERT_NAME_BLOB& name) const;

private:
    StoreRef m_roots;
    StoreRef m_all;
};

}  // namespace platform::crypt::chain
