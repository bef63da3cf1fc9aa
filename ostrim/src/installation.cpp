#include "installation.h"

#include <memory>
#include <optional>
#include <vector>

#include "certificates.h"
#include "win32/crypt_store.h"
#include "win32/crypt_string.h"
#include "win32/error.h"

namespace ostrim {

namespace {

struct StoreCloser {
    void operator()(HCERTSTORE store) const noexcept { CertCloseStore(store, 0); }
};
struct CertificateFreer {
    void operator()(PCCERT_CONTEXT context) const noexcept { CertFreeCertificateContext(context); }
};
using StoreHandle = std::unique_ptr<void, StoreCloser>;
using Certificate = std::unique_ptr<const CERT_CONTEXT, CertificateFreer>;

// Nothing when the text is not a certificate's armour; an empty body comes
// back empty and is refused when the certificate is made.
std::optional<std::vector<BYTE>> decodedPem(const char16_t* pem) {
    DWORD size = 0;
    if (!CryptStringToBinaryW(pem, 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return std::nullopt;
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryW(pem, 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
        return std::nullopt;
    der.resize(size);
    return der;
}

}  // namespace

DWORD addCertificateToStore(const char16_t* store, const char16_t* pem) {
    const StoreHandle machineStore(CertOpenStore(
        CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG, store));
    if (!machineStore) return GetLastError();
    const auto der = decodedPem(pem);
    if (!der) return GetLastError();
    const Certificate certificate(
        CertCreateCertificateContext(X509_ASN_ENCODING, der->data(), static_cast<DWORD>(der->size())));
    if (!certificate) return GetLastError();
    if (!CertAddCertificateContextToStore(machineStore.get(), certificate.get(), CERT_STORE_ADD_REPLACE_EXISTING,
                                          nullptr))
        return GetLastError();
    return ERROR_SUCCESS;
}

HRESULT install(std::span<const Placement> placements) {
    HRESULT first = S_OK;
    for (const Placement& placement : placements) {
        const DWORD error = addCertificateToStore(placement.store, placement.pem);
        if (error != ERROR_SUCCESS && first == S_OK) first = HRESULT_FROM_WIN32(error);
    }
    return first;
}

std::span<const Placement> authorityPlacements() {
    static const Placement placements[] = {
        {u"Root", kRootCertificate},
        {u"CA", kOlderCaCertificate},
        {u"CA", kNewerCaCertificate},
    };
    return placements;
}

}  // namespace ostrim
