// Whether a CRL was signed with a certificate's key. Certificates are
// checked with CertVerifySubjectCertificateContext; CRLs, which it does not
// take, here, the same way: the envelope read with our decoder, the
// signature checked by the store area's OpenSSL check (old algorithms and
// short keys included).
#pragma once

#include "win32/crypt_types.h"

namespace platform::crypt::chain {

// False also when the CRL's envelope does not decode.
bool crlSignedBy(PCCRL_CONTEXT crl, PCCERT_CONTEXT issuer);

}  // namespace platform::crypt::chain
