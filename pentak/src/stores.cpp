// stores.cpp: adding certificates to the user's stores and finding them
// there.
#include "stores.h"

#include "cert_checks.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/pem.h"
#include "known_providers.h"
#include "win32/error.h"

namespace {

constexpr DWORD kBase64Flags = 6;  // decode, armour lines allowed

OwnedCertContext contextOf(const std::vector<BYTE>& der) {
    return OwnedCertContext(CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
}

}  // namespace

OwnedCertStore OpenUserStore(const std::u16string& name) {
    return OwnedCertStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, kSystemStoreFlags, name.c_str()));
}

OwnedCertStore MemoryStoreOf(const std::vector<PCCERT_CONTEXT>& certificates) {
    OwnedCertStore store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!store) return store;
    for (const PCCERT_CONTEXT certificate : certificates)
        CertAddCertificateContextToStore(store.get(), certificate, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    return store;
}

OwnedCertContext CertificateWithKey(const std::vector<BYTE>& der, const CertKeyInfo& key) {
    OwnedCertContext certificate = contextOf(der);
    if (!certificate) return certificate;
    std::u16string container = key.container;
    std::u16string provider = key.provider;
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = container.data();
    info.pwszProvName = provider.data();
    info.dwProvType = key.providerType;
    info.dwKeySpec = key.keySpec;
    if (!CertSetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info)) return {};
    return certificate;
}

bool TCryptoapi::AddToSystemStore(PCCERT_CONTEXT certificate, const std::u16string& store) {
    const OwnedCertStore opened = OpenUserStore(store);
    if (!opened) return Failed();
    // A CA certificate met again keeps what was said of it (its friendly
    // name, say); any other certificate is taken as it now comes.
    const bool keepProperties = store == kStoreRoot || store == kStoreCa;
    const DWORD disposition =
        keepProperties ? CERT_STORE_ADD_REPLACE_EXISTING_INHERIT_PROPERTIES : CERT_STORE_ADD_REPLACE_EXISTING;
    if (!CertAddCertificateContextToStore(opened.get(), certificate, disposition, nullptr)) return Failed();
    return true;
}

bool TCryptoapi::AddToStoreByKind(const std::vector<BYTE>& certificate, const CertKeyInfo& key, DWORD kind) {
    if (kind == 1) {
        if (!key.NamesKey()) {
            SetLastError(static_cast<DWORD>(NTE_NO_KEY));
            return Failed();
        }
        const OwnedCertContext withKey = CertificateWithKey(certificate, key);
        return withKey ? AddToSystemStore(withKey.get(), kStorePersonal) : Failed();
    }
    const OwnedCertContext context = contextOf(certificate);
    if (!context) return Failed();
    if (kind == 4) return AddToSystemStore(context.get(), CompareCertificateNames(context.get()) ? kStoreRoot : kStoreCa);
    return AddToSystemStore(context.get(), kStoreAddressBook);
}

PCCERT_CONTEXT TCryptoapi::FindCertInSystemStore(const std::u16string& store, const std::u16string& certificateText) {
    std::vector<BYTE> der;
    if (!TAsn1Coder::StringToBinary(certificateText, der, kBase64Flags)) {
        Failed();
        return nullptr;
    }
    const OwnedCertContext wanted = contextOf(der);
    const OwnedCertStore opened = OpenUserStore(store);
    if (!wanted || !opened) {
        Failed();
        return nullptr;
    }
    PCCERT_CONTEXT found = nullptr;
    while ((found = CertEnumCertificatesInStore(opened.get(), found)))
        if (CertCompareCertificate(kCertEncoding, found->pCertInfo, wanted->pCertInfo)) return found;
    return nullptr;
}
