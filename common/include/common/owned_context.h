// owned_context.h: certificate contexts and stores freed when they go out
// of scope.
#pragma once

#include <memory>

#include "win32/crypt_store.h"

struct FreeCertificateContext {
    void operator()(PCCERT_CONTEXT context) const noexcept { CertFreeCertificateContext(context); }
};
using OwnedCertContext = std::unique_ptr<const CERT_CONTEXT, FreeCertificateContext>;

struct CloseCertificateStore {
    void operator()(HCERTSTORE store) const noexcept { CertCloseStore(store, 0); }
};
using OwnedCertStore = std::unique_ptr<void, CloseCertificateStore>;
