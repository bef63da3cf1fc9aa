#include "testkit/user_stores.h"

#include <stdexcept>
#include <string>

#include "platform/text.h"
#include "win32/error.h"

namespace testkit {

void addToUserStore(const char16_t* store, PCCERT_CONTEXT certificate) {
    const HCERTSTORE opened = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store);
    const bool added = certificate && opened &&
                       CertAddCertificateContextToStore(opened, certificate, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const DWORD error = GetLastError();
    if (opened) CertCloseStore(opened, 0);
    if (!added)
        throw std::runtime_error("a certificate could not be added to the user's store \"" +
                                 platform::text::toUtf8(store) + "\" (error " + std::to_string(error) + ")");
}

void addToUserStore(const char16_t* store, const pki::Certificate& certificate) {
    const auto& der = certificate.der();
    PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    try {
        addToUserStore(store, context);
    } catch (...) {
        CertFreeCertificateContext(context);
        throw;
    }
    CertFreeCertificateContext(context);
}

}  // namespace testkit
