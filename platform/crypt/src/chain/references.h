// Owned references to certificate and CRL contexts and to store handles,
// as the chain engine holds them.
#pragma once

#include "platform/owned.h"
#include "platform/win_error.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace platform::crypt::chain {

using CertRef = Owned<const CERT_CONTEXT, CertFreeCertificateContext>;
using CrlRef = Owned<const CRL_CONTEXT, CertFreeCRLContext>;

inline void closeStore(HCERTSTORE store) noexcept {
    CertCloseStore(store, 0);
}
using StoreRef = Owned<void, closeStore>;

// One more reference to a caller's context; its error (E_INVALIDARG for a
// freed or forged one) is thrown as it stands.
inline CertRef duplicated(PCCERT_CONTEXT cert) {
    CertRef ref(CertDuplicateCertificateContext(cert));
    if (!ref) throw WinError(GetLastError(), "CertDuplicateCertificateContext");
    return ref;
}
inline CrlRef duplicated(PCCRL_CONTEXT crl) {
    CrlRef ref(CertDuplicateCRLContext(crl));
    if (!ref) throw WinError(GetLastError(), "CertDuplicateCRLContext");
    return ref;
}

}  // namespace platform::crypt::chain
