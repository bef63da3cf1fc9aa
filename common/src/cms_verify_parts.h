// cms_verify_parts.h: what the parts of message verification share: stores
// closed when they go out of scope, the error number of a failed signature
// check, and the checks of a signer whose signature verified.
#pragma once

#include <memory>

#include "common/cryptoapi.h"
#include "common/pkcs7.h"
#include "win32/crypt_store.h"

namespace cms_verify {

template <DWORD CloseFlags>
struct CloseStore {
    void operator()(HCERTSTORE store) const noexcept { CertCloseStore(store, CloseFlags); }
};
using OwnedStore = std::unique_ptr<void, CloseStore<0>>;
// For stores whose contexts must all have been freed by then.
using CheckedStore = std::unique_ptr<void, CloseStore<CERT_CLOSE_STORE_CHECK_FLAG>>;

// A system store of the current user with TGlobalParams' store flags; null
// when it cannot be opened.
OwnedStore OpenSystemStore(const char16_t* name);

// The error number of the last error a failed signature verification left.
DWORD SignatureError(DWORD lastError);

// The checks of signer n, whose signature verified with the certificate, in
// their order: the signing-certificate attribute, the chain and the time
// validity as flags ask, then the trusted-certificate list. 0 when it passes,
// else the number of the first check that failed.
DWORD CheckSigner(TCryptoapi& api, const TPkcs7& reader, DWORD n, PCCERT_CONTEXT certificate, DWORD flags,
                  HCERTSTORE messageStore, const FILETIME* checkTime);

}  // namespace cms_verify
