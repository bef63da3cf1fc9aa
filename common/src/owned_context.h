// owned_context.h: a certificate context freed when it goes out of scope.
#pragma once

#include <memory>

#include "win32/crypt_store.h"

struct FreeCertificateContext {
    void operator()(PCCERT_CONTEXT context) const noexcept { CertFreeCertificateContext(context); }
};
using OwnedCertContext = std::unique_ptr<const CERT_CONTEXT, FreeCertificateContext>;
