// containers.cpp: reading and writing key containers.
#include "containers.h"

#include <algorithm>
#include <cstdint>

#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/pem.h"
#include "container_names.h"
#include "known_providers.h"
#include "stores.h"
#include "win32/crypt_encode.h"
#include "win32/error.h"

namespace {

// The card provider's parameter that holds the number of the card.
constexpr DWORD kCardNumberParameter = 0x10000021;
// The Kavlo card provider's key parameter that holds container data.
constexpr DWORD kKavloContainerDataParameter = 0x10000020;

// The record of one key of the container; false when the key is missing.
bool readKey(HCRYPTPROV provider, DWORD keySpec, CspKeyRecord& out) {
    RecordBuffer exported;
    if (!ExportPublicKeyInfo(provider, keySpec, exported)) return false;
    const auto& publicKey = exported.as<CERT_PUBLIC_KEY_INFO>();
    CspKeyRecord record;
    record.keySpec = keySpec;
    if (!EncodePublicKeyInfo(publicKey, record.publicKeyInfo)) return false;
    record.algorithmOid = publicKey.Algorithm.pszObjId ? publicKey.Algorithm.pszObjId : "";
    KeyBitLength(provider, keySpec, record.bitLength);
    if (GetContainerCertificate(provider, keySpec, record.certificate)) {
        const OwnedCertContext certificate(CertCreateCertificateContext(
            kCertEncoding, record.certificate.data(), static_cast<DWORD>(record.certificate.size())));
        if (certificate) TCryptoapi::GetCertKeyInfo(certificate.get(), record.info);
    }
    out = std::move(record);
    return true;
}

}  // namespace

bool AcquiredContext::Acquire(const std::u16string& container, const std::u16string& provider, DWORD type,
                              DWORD flags) {
    Release();
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextW(&handle, container.empty() ? nullptr : container.c_str(),
                              provider.empty() ? nullptr : provider.c_str(), type, flags))
        return false;
    m_handle = handle;
    return true;
}

void AcquiredContext::Release() {
    if (m_handle) CryptReleaseContext(m_handle, 0);
    m_handle = 0;
}

bool SetContainerCertificate(HCRYPTPROV provider, DWORD keySpec, PCCERT_CONTEXT certificate) {
    const UserKey key(provider, keySpec);
    if (!key.get()) return false;
    return CryptSetKeyParam(key.get(), KP_CERTIFICATE, certificate->pbCertEncoded, 0) ||
           GetLastError() == static_cast<DWORD>(NTE_EXISTS);
}

bool GetContainerCertificate(HCRYPTPROV provider, DWORD keySpec, std::vector<BYTE>& out) {
    const UserKey key(provider, keySpec);
    DWORD size = 0;
    if (!key.get() || !CryptGetKeyParam(key.get(), KP_CERTIFICATE, nullptr, &size, 0) || size == 0) return false;
    std::vector<BYTE> certificate(size);
    if (!CryptGetKeyParam(key.get(), KP_CERTIFICATE, certificate.data(), &size, 0)) return false;
    certificate.resize(size);
    out = std::move(certificate);
    return true;
}

bool KeyBitLength(HCRYPTPROV provider, DWORD keySpec, DWORD& bits) {
    const UserKey key(provider, keySpec);
    DWORD size = 0;
    if (!key.get() || !CryptExportKey(key.get(), 0, PUBLICKEYBLOB, 0, nullptr, &size)) return false;
    std::vector<BYTE> blob(size);
    if (!CryptExportKey(key.get(), 0, PUBLICKEYBLOB, 0, blob.data(), &size) ||
        size < sizeof(PUBLICKEYSTRUC) + sizeof(RSAPUBKEY))
        return false;
    RSAPUBKEY header{};
    std::copy_n(blob.data() + sizeof(PUBLICKEYSTRUC), sizeof header, reinterpret_cast<BYTE*>(&header));
    bits = header.bitlen;
    return true;
}

bool ExportPublicKeyInfo(HCRYPTPROV provider, DWORD keySpec, RecordBuffer& out) {
    DWORD size = 0;
    if (!CryptExportPublicKeyInfo(provider, keySpec, kCertEncoding, nullptr, &size)) return false;
    RecordBuffer exported(size);
    if (!CryptExportPublicKeyInfo(provider, keySpec, kCertEncoding, static_cast<CERT_PUBLIC_KEY_INFO*>(exported.data()),
                                  &size))
        return false;
    out = std::move(exported);
    return true;
}

bool EncodePublicKeyInfo(const CERT_PUBLIC_KEY_INFO& publicKey, std::vector<BYTE>& out) {
    DWORD size = 0;
    if (!CryptEncodeObject(kCertEncoding, X509_PUBLIC_KEY_INFO, &publicKey, nullptr, &size)) return false;
    std::vector<BYTE> encoded(size);
    if (!CryptEncodeObject(kCertEncoding, X509_PUBLIC_KEY_INFO, &publicKey, encoded.data(), &size)) return false;
    encoded.resize(size);
    out = std::move(encoded);
    return true;
}

bool LoadContainerEntry(const std::u16string& provider, DWORD type, const std::u16string& fullName,
                        CspStoreEntry& out) {
    AcquiredContext context;
    if (!context.Acquire(fullName, provider, type, 0)) return false;
    CspStoreEntry entry;
    entry.provider = provider;
    entry.providerType = type;
    SplitContainerName(fullName, entry.reader, entry.container);
    for (const DWORD keySpec : {AT_KEYEXCHANGE, AT_SIGNATURE}) {
        CspKeyRecord record;
        if (!readKey(context.get(), keySpec, record)) continue;
        // A provider that keeps one key pair shows it under both specs.
        if (keySpec == AT_SIGNATURE && !entry.keys.empty() && entry.keys.front().publicKeyInfo == record.publicKeyInfo)
            continue;
        entry.keys.push_back(std::move(record));
    }
    for (CspKeyRecord& record : entry.keys) {
        record.info.provider = provider;
        record.info.providerType = type;
        record.info.container = fullName;
        record.info.keySpec = record.keySpec;
    }
    out = std::move(entry);
    return true;
}

bool LoadContainerEntries(const std::u16string& provider, DWORD type, const std::u16string& reader,
                          const std::vector<std::u16string>& names, std::vector<CspStoreEntry>& out) {
    bool result = true;
    for (const std::u16string& name : names) {
        CspStoreEntry entry;
        result = LoadContainerEntry(provider, type, JoinContainerName(reader, name), entry);
        out.push_back(std::move(entry));
    }
    return result;
}

OwnedCertStore MemoryStoreOfEntries(const std::vector<CspStoreEntry>& entries) {
    std::vector<OwnedCertContext> owned;
    std::vector<PCCERT_CONTEXT> certificates;
    for (const CspStoreEntry& entry : entries)
        for (const CspKeyRecord& record : entry.keys)
            if (PCCERT_CONTEXT certificate = CertCreateCertificateContext(
                    kCertEncoding, record.certificate.data(), static_cast<DWORD>(record.certificate.size()))) {
                owned.emplace_back(certificate);
                certificates.push_back(certificate);
            }
    return MemoryStoreOf(certificates);
}

bool TCryptoapi::RemoveContainerCertificate(const std::u16string& provider, DWORD type,
                                            const std::u16string& container, DWORD keySpec) {
    AcquiredContext context;
    if (!context.Acquire(container, provider, type, 0)) return Failed();
    const UserKey key(context.get(), keySpec);
    if (!key.get() || !CryptSetKeyParam(key.get(), KP_CERTIFICATE, nullptr, 0)) return Failed();
    return true;
}

bool TCryptoapi::ContainerMatchesPublicKey(const std::u16string& provider, DWORD type, const std::u16string& container,
                                           DWORD keySpec, const CERT_PUBLIC_KEY_INFO& publicKey) {
    AcquiredContext context;
    if (!context.Acquire(container, provider, type, 0)) return Failed();
    return TAsn1Coder::ComparePublicKey(context.get(), keySpec, publicKey);
}

bool TCryptoapi::ReadCardNumber(const std::u16string& provider, DWORD type, const std::u16string& container,
                                std::u16string& out) {
    AcquiredContext context;
    if (!context.Acquire(container, provider, type, CRYPT_VERIFYCONTEXT)) return Failed();
    DWORD size = 0;
    if (!CryptGetProvParam(context.get(), kCardNumberParameter, nullptr, &size, 0)) return Failed();
    std::vector<char> number(size);
    if (!CryptGetProvParam(context.get(), kCardNumberParameter, reinterpret_cast<BYTE*>(number.data()), &size, 0))
        return Failed();
    out = String2WideChar(number.data(), static_cast<int>(size), CP_ACP);
    return true;
}

bool TCryptoapi::WriteContainerData(const std::u16string& provider, DWORD type, const std::u16string& container,
                                    const std::string& data, DWORD keySpec) {
    if (data.size() > 0xFFFFFFFFu) {
        SetLastError(NTE_BAD_DATA);
        return Failed();
    }
    AcquiredContext context;
    if (!context.Acquire(container, provider, type, 0)) return Failed();
    const auto length = static_cast<std::uint32_t>(data.size());
    std::vector<BYTE> blob = {0, static_cast<BYTE>(length), static_cast<BYTE>(length >> 8),
                              static_cast<BYTE>(length >> 16), static_cast<BYTE>(length >> 24)};
    blob.insert(blob.end(), data.begin(), data.end());
    const UserKey key(context.get(), keySpec);
    const DWORD parameter = provider == kKavloCspName ? kKavloContainerDataParameter : KP_CERTIFICATE;
    if (!key.get() || !CryptSetKeyParam(key.get(), parameter, blob.data(), 0)) return Failed();
    return true;
}
