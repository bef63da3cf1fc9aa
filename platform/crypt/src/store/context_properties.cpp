// Properties of certificate contexts: set, read with the size rule, list.
#include <optional>

#include "platform/boundary.h"
#include "platform/buffers.h"
#include "store/key_prov_info.h"
#include "store/local_store.h"
#include "store/references.h"
#include "store/store_lock.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

std::optional<Bytes> valueOf(DWORD id, const void* pvData) {
    if (!pvData) return std::nullopt;
    if (id == CERT_KEY_PROV_INFO_PROP_ID) return packKeyProvInfo(*static_cast<const CRYPT_KEY_PROV_INFO*>(pvData));
    const auto& blob = *static_cast<const CRYPT_DATA_BLOB*>(pvData);
    if (blob.cbData && !blob.pbData) throw WinError(E_INVALIDARG, "property data missing");
    const View bytes = viewOf(blob);
    return Bytes(bytes.begin(), bytes.end());
}

}  // namespace

BOOL CertSetCertificateContextProperty(PCCERT_CONTEXT pCertContext, DWORD dwPropId, DWORD dwFlags,
                                       const void* pvData) noexcept {
    return winBool([&] {
        const auto lock = lockStores();
        const auto element = requireElement(pCertContext, Kind::Certificate);
        // Handles of providers and keys belong to a process, not to a certificate.
        if (dwPropId == 0 || dwPropId == CERT_KEY_PROV_HANDLE_PROP_ID || dwPropId == CERT_KEY_CONTEXT_PROP_ID)
            throw WinError(E_INVALIDARG, "property not kept");
        element->store()->setProperty(*element, dwPropId, valueOf(dwPropId, pvData), dwFlags);
        return true;
    });
}

BOOL CertGetCertificateContextProperty(PCCERT_CONTEXT pCertContext, DWORD dwPropId, void* pvData,
                                       DWORD* pcbData) noexcept {
    return winBool([&] {
        const auto lock = lockStores();
        const auto element = requireElement(pCertContext, Kind::Certificate);
        const Bytes* value = element->properties.find(dwPropId);
        if (!value) value = element->computedProperty(dwPropId);
        if (!value) throw WinError(CRYPT_E_NOT_FOUND, "property not set");
        if (dwPropId == CERT_KEY_PROV_INFO_PROP_ID)
            copyOutKeyProvInfo(*value, pvData, pcbData);
        else
            copyOut(*value, static_cast<BYTE*>(pvData), pcbData);
        return true;
    });
}

DWORD CertEnumCertificateContextProperties(PCCERT_CONTEXT pCertContext, DWORD dwPropId) noexcept {
    return winValue<DWORD>(0, [&] {
        const auto lock = lockStores();
        return requireElement(pCertContext, Kind::Certificate)->properties.next(dwPropId);
    });
}
