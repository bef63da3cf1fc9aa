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

// Whether the DER public key is the certificate's.
bool samePublicKey(const std::vector<BYTE>& publicKeyInfo, PCCERT_CONTEXT certificate) {
    if (publicKeyInfo.empty()) return false;
    const DecodedObject decoded(X509_PUBLIC_KEY_INFO, publicKeyInfo.data(), static_cast<DWORD>(publicKeyInfo.size()));
    return decoded && CertComparePublicKeyInfo(kCertEncoding, &certificate->pCertInfo->SubjectPublicKeyInfo,
                                               const_cast<CERT_PUBLIC_KEY_INFO*>(&decoded.as<CERT_PUBLIC_KEY_INFO>()));
}

// The first certificate of the store with the certificate's public key that
// names a key.
bool findInStore(const std::u16string& name, PCCERT_CONTEXT certificate, CertKeyInfo& out) {
    const OwnedCertStore store = OpenUserStore(name);
    if (!store) return false;
    PCCERT_CONTEXT context = nullptr;
    while ((context = CertFindCertificateInStore(store.get(), kCertEncoding, 0, CERT_FIND_PUBLIC_KEY,
                                                 &certificate->pCertInfo->SubjectPublicKeyInfo, context))) {
        CertKeyInfo key;
        if (TCryptoapi::GetCertKeyInfo(context, key) && key.NamesKey()) {
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

// The key of the certificate: a CSP-store record holding it or its public
// key, else a certificate with its public key that names a key in REQUEST
// (when asked) or MY.
bool findCertKey(const std::vector<BYTE>& certificate, const std::vector<CspStoreEntry>& entries,
                 bool withPendingRequests, CertKeyInfo& out) {
    const DWORD lastError = GetLastError();
    const OwnedCertContext context(
        CertCreateCertificateContext(kCertEncoding, certificate.data(), static_cast<DWORD>(certificate.size())));
    const auto inCspStore = [&] {
        for (const CspStoreEntry& entry : entries)
            for (const CspKeyRecord& record : entry.keys)
                if ((!record.certificate.empty() && record.certificate == certificate) ||
                    (context && samePublicKey(record.publicKeyInfo, context.get()))) {
                    out = record.info;
                    return true;
                }
        return false;
    };
    const bool found =
        inCspStore() || (context && ((withPendingRequests && findInStore(kStoreRequest, context.get(), out)) ||
                                     findInStore(kStorePersonal, context.get(), out)));
    SetLastError(lastError);
    return found;
}

}  // namespace

bool FindCertKeyInStores(const std::vector<BYTE>& certificate, const std::vector<CspStoreEntry>& entries,
                         CertKeyInfo& out) {
    return findCertKey(certificate, entries, true, out);
}

bool FindCertKeyInCspStoreOrPersonal(const std::vector<BYTE>& certificate, const std::vector<CspStoreEntry>& entries,
                                     CertKeyInfo& out) {
    return findCertKey(certificate, entries, false, out) && out.NamesKey();
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
