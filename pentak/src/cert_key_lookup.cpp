// cert_key_lookup.cpp: keys of certificates and the key lists of the
// session's containers.
#include "cert_key_lookup.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/pem.h"
#include "display_name.h"
#include "hashing.h"
#include "known_providers.h"
#include "stores.h"
#include "win32/error.h"

namespace {

constexpr DWORD kBase64Flags = 37;  // encode, lines of 72 characters ended by LF

bool sameBytes(PCCERT_CONTEXT context, const std::vector<BYTE>& der) {
    return context->cbCertEncoded == der.size() && std::equal(der.begin(), der.end(), context->pbCertEncoded);
}

// The first certificate of the store with these bytes that names a key.
bool findInStore(const std::u16string& name, const std::vector<BYTE>& certificate, CertKeyInfo& out) {
    const OwnedCertStore store = OpenUserStore(name);
    if (!store) return false;
    PCCERT_CONTEXT context = nullptr;
    while ((context = CertEnumCertificatesInStore(store.get(), context))) {
        CertKeyInfo key;
        if (sameBytes(context, certificate) && TCryptoapi::GetCertKeyInfo(context, key) && key.NamesKey()) {
            CertFreeCertificateContext(context);
            out = std::move(key);
            return true;
        }
    }
    return false;
}

// The hash of the key bits of a DER public key.
bool publicKeyHash(const std::vector<BYTE>& publicKeyInfo, ALG_ID hashAlgId, std::vector<BYTE>& out) {
    const DecodedObject decoded(X509_PUBLIC_KEY_INFO, publicKeyInfo.data(), static_cast<DWORD>(publicKeyInfo.size()));
    if (!decoded) return false;
    const CRYPT_BIT_BLOB& bits = decoded.as<CERT_PUBLIC_KEY_INFO>().PublicKey;
    return HashWithProvider(kAesProvider, PROV_RSA_AES, hashAlgId, std::vector<BYTE>(bits.pbData, bits.pbData + bits.cbData),
                            out);
}

void join(std::u16string& text, const std::u16string& item, bool first) {
    if (!first) text += u'|';
    text += item;
}

}  // namespace

namespace {

bool findInCspStore(const std::vector<BYTE>& certificate, const std::vector<CspStoreEntry>& entries,
                    CertKeyInfo& out) {
    for (const CspStoreEntry& entry : entries)
        for (const CspKeyRecord& record : entry.keys)
            if (!record.certificate.empty() && record.certificate == certificate) {
                out = record.info;
                return true;
            }
    return false;
}

}  // namespace

bool FindCertKeyInStores(const std::vector<BYTE>& certificate, const std::vector<CspStoreEntry>& entries,
                         CertKeyInfo& out) {
    if (findInCspStore(certificate, entries, out)) return true;
    const DWORD lastError = GetLastError();
    const bool found = findInStore(kStoreRequest, certificate, out) || findInStore(kStorePersonal, certificate, out);
    SetLastError(lastError);
    return found;
}

bool FindCertKeyInCspStoreOrPersonal(const std::vector<BYTE>& certificate, const std::vector<CspStoreEntry>& entries,
                                     CertKeyInfo& out) {
    if (findInCspStore(certificate, entries, out)) return out.NamesKey();
    const DWORD lastError = GetLastError();
    const bool found = findInStore(kStorePersonal, certificate, out);
    SetLastError(lastError);
    return found;
}

bool JoinPubKeyHashes(const std::vector<CspStoreEntry>& entries, ALG_ID hashAlgId, std::u16string& containers,
                      std::u16string& hashes, std::u16string& certificates) {
    std::u16string names, keyHashes, texts;
    bool first = true;
    for (const CspStoreEntry& entry : entries) {
        if (entry.keys.empty()) continue;
        const CspKeyRecord& key = entry.keys.front();
        std::vector<BYTE> hash;
        if (!publicKeyHash(key.publicKeyInfo, hashAlgId, hash)) return false;
        std::string base64;
        if (!key.certificate.empty()) Base64ConvertVector(key.certificate, base64, kBase64Flags);
        join(names, entry.container, first);
        join(keyHashes, HexText(hash.data(), static_cast<DWORD>(hash.size()), kHexGroupSizeGiven), first);
        join(texts, MultiByteToWide(base64, CP_ACP), first);
        first = false;
    }
    containers = std::move(names);
    hashes = std::move(keyHashes);
    certificates = std::move(texts);
    return true;
}
