// CertGetEnhancedKeyUsage: the usages of the extension, of the property, or
// of both, with the Windows rule for "none given" (good for every use,
// last error CRYPT_E_NOT_FOUND) against "none left" (good for none, 0).
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/boundary.h"
#include "store/block_writer.h"
#include "store/decoded.h"
#include "store/references.h"
#include "store/store_lock.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

using Usages = std::vector<std::string>;

Usages usagesIn(View encoded) {
    const auto usage = decodeObject<CERT_ENHKEY_USAGE>(X509_ENHANCED_KEY_USAGE, encoded);
    return Usages(usage->rgpszUsageIdentifier, usage->rgpszUsageIdentifier + usage->cUsageIdentifier);
}

std::optional<Usages> extensionUsages(const CERT_INFO& info) {
    const CERT_EXTENSION* extension = CertFindExtension(szOID_ENHANCED_KEY_USAGE, info.cExtension, info.rgExtension);
    if (!extension) return std::nullopt;
    return usagesIn(viewOf(extension->Value));
}

std::optional<Usages> propertyUsages(const void* context) {
    const auto element = referencedElement(context, Kind::Certificate);
    const Bytes* value = element ? element->properties.find(CERT_ENHKEY_USAGE_PROP_ID) : nullptr;
    if (!value) return std::nullopt;
    return usagesIn(*value);
}

// The usages both sources allow, in the extension's order.
std::optional<Usages> combined(std::optional<Usages> extension, std::optional<Usages> property) {
    if (!extension || !property) return extension ? extension : property;
    std::erase_if(*extension, [&](const std::string& oid) {
        return std::find(property->begin(), property->end(), oid) == property->end();
    });
    return extension;
}

}  // namespace

BOOL CertGetEnhancedKeyUsage(PCCERT_CONTEXT pCertContext, DWORD dwFlags, PCERT_ENHKEY_USAGE pUsage,
                             DWORD* pcbUsage) noexcept {
    return winBool([&] {
        if (!pCertContext || !pCertContext->pCertInfo) throw WinError(E_INVALIDARG, "no certificate");
        const auto lock = lockStores();
        std::optional<Usages> extension, property;
        if (!(dwFlags & CERT_FIND_PROP_ONLY_ENHKEY_USAGE_FLAG)) extension = extensionUsages(*pCertContext->pCertInfo);
        if (!(dwFlags & CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG)) property = propertyUsages(pCertContext);
        const std::optional<Usages> usages = combined(std::move(extension), std::move(property));
        const Usages none;
        const Usages& list = usages ? *usages : none;
        copyOutBlock(pUsage, pcbUsage, [&](BlockWriter& w) {
            auto* usage = w.take<CERT_ENHKEY_USAGE>();
            auto* oids = list.empty() ? nullptr : w.take<LPSTR>(list.size());
            for (std::size_t i = 0; i < list.size(); ++i) {
                char* oid = w.copyText(std::string_view(list[i]));
                if (oids) oids[i] = oid;
            }
            if (usage) *usage = {static_cast<DWORD>(list.size()), oids};
        });
        if (list.empty()) SetLastError(usages ? ERROR_SUCCESS : static_cast<DWORD>(CRYPT_E_NOT_FOUND));
        return true;
    });
}
