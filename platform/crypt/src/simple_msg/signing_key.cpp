#include "simple_msg/signing_key.h"

#include <vector>

#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "platform/win_error.h"
#include "win32/error.h"

namespace platform::crypt::simple_msg {

SigningKey signingKeyOf(PCCERT_CONTEXT certificate) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) {
        const DWORD error = GetLastError();
        if (error == static_cast<DWORD>(CRYPT_E_NOT_FOUND))
            throw WinError(CRYPT_E_NO_KEY_PROPERTY, "the certificate names no private key");
        throw WinError(error, "CertGetCertificateContextProperty");
    }
    std::vector<std::max_align_t> block(size / sizeof(std::max_align_t) + 1);
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, block.data(), &size))
        msg::throwLastError("CertGetCertificateContextProperty");
    const auto& info = *reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(block.data());
    return {msg::ProviderHandle::acquire(info.pwszContainerName, info.pwszProvName, info.dwProvType,
                                         info.dwFlags & (CRYPT_MACHINE_KEYSET | CRYPT_SILENT)),
            info.dwKeySpec};
}

}  // namespace platform::crypt::simple_msg
