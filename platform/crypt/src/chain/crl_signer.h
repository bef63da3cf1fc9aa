// Whether a CRL was signed by a certificate that may sign it (RFC 5280
// section 6.3.3 (f) and (g)): named as the CRL's issuer, allowed to sign CRLs
// where its key usage is stated, its key verifying the signature, and
// either the certificate's issuer on the chain or a certificate with a
// valid path of its own to the chain's root, not revoked itself (a CA's
// other key after a rollover, its separate CRL-signing certificate, an
// indirect CRL's issuer). Signers are followed two deep; a certificate never
// vouches for itself.
#pragma once

#include <map>

#include "chain/certificate_revocation.h"

namespace platform::crypt::chain {

class CrlSigners {
public:
    // `issuer` issued the certificate whose CRLs are judged.
    CrlSigners(PCCERT_CONTEXT issuer, const RevocationContext& context) : m_issuer(issuer), m_context(context) {}

    // Asked once per CRL, then remembered.
    bool signedFittingly(PCCRL_CONTEXT crl);

private:
    bool judge(PCCRL_CONTEXT crl) const;
    bool holds(PCCERT_CONTEXT signer) const;

    PCCERT_CONTEXT m_issuer;
    const RevocationContext& m_context;
    std::map<PCCRL_CONTEXT, bool> m_judged;
};

}  // namespace platform::crypt::chain
