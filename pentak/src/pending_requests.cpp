// pending_requests.cpp: the pending requests of a provider as CSP store
// entries.
#include "pending_requests.h"

#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "container_names.h"
#include "containers.h"
#include "known_providers.h"
#include "stores.h"

namespace {

bool certifiedIn(HCERTSTORE personal, const CERT_PUBLIC_KEY_INFO& publicKey) {
    if (!personal) return false;
    const OwnedCertContext found(
        CertFindCertificateInStore(personal, kCertEncoding, 0, CERT_FIND_PUBLIC_KEY, &publicKey, nullptr));
    return found != nullptr;
}

}  // namespace

std::vector<CspStoreEntry> PendingRequestEntries(const std::u16string& provider) {
    std::vector<CspStoreEntry> entries;
    const OwnedCertStore requests(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                                kSystemStoreFlags | CERT_STORE_READONLY_FLAG, kStoreRequest));
    if (!requests) return entries;
    const OwnedCertStore personal = OpenUserStore(kStorePersonal);
    PCCERT_CONTEXT request = nullptr;
    while ((request = CertEnumCertificatesInStore(requests.get(), request))) {
        CertKeyInfo key;
        const CERT_PUBLIC_KEY_INFO& publicKey = request->pCertInfo->SubjectPublicKeyInfo;
        if (!TCryptoapi::GetCertKeyInfo(request, key) || key.provider != provider ||
            certifiedIn(personal.get(), publicKey))
            continue;
        CspKeyRecord record;
        if (!EncodePublicKeyInfo(publicKey, record.publicKeyInfo)) continue;
        record.keySpec = key.keySpec;
        record.algorithmOid = publicKey.Algorithm.pszObjId ? publicKey.Algorithm.pszObjId : "";
        record.certificate.assign(request->pbCertEncoded, request->pbCertEncoded + request->cbCertEncoded);
        CspStoreEntry entry;
        entry.provider = key.provider;
        entry.providerType = key.providerType;
        SplitContainerName(key.container, entry.reader, entry.container);
        record.info = std::move(key);
        entry.keys.push_back(std::move(record));
        entries.push_back(std::move(entry));
    }
    return entries;
}
