// client_credential.cpp: signing for TLS client authentication with the key
// named by the certificate's CERT_KEY_PROV_INFO_PROP_ID, through its provider.
#include "client_credential.h"

#include <algorithm>
#include <string>

#include "platform/win_error.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace platform::inet {

namespace {

ALG_ID algorithmOf(Digest digest) {
    switch (digest) {
    case Digest::Sha1: return CALG_SHA1;
    case Digest::Sha256: return CALG_SHA_256;
    case Digest::Sha384: return CALG_SHA_384;
    case Digest::Sha512: return CALG_SHA_512;
    }
    return CALG_SHA_256;
}

[[noreturn]] void failed(const char* call) { throw WinError(GetLastError(), std::string(call) + " failed"); }

struct KeyLocation {
    std::u16string container, provider;
    DWORD type = 0, flags = 0, keySpec = 0;
};

KeyLocation keyLocationOf(PCCERT_CONTEXT context) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        failed("CertGetCertificateContextProperty");
    std::vector<BYTE> block(size);
    if (!CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, block.data(), &size))
        failed("CertGetCertificateContextProperty");
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(block.data());
    KeyLocation key;
    if (info->pwszContainerName) key.container = info->pwszContainerName;
    if (info->pwszProvName) key.provider = info->pwszProvName;
    key.type = info->dwProvType;
    key.flags = info->dwFlags & CRYPT_MACHINE_KEYSET;
    key.keySpec = info->dwKeySpec;
    return key;
}

// The provider's handles, released on every path.
struct Signing {
    HCRYPTPROV prov = 0;
    HCRYPTHASH hash = 0;
    ~Signing() {
        if (hash) CryptDestroyHash(hash);
        if (prov) CryptReleaseContext(prov, 0);
    }
};

std::vector<BYTE> sign(const KeyLocation& key, Digest digest, std::span<const BYTE> value) {
    Signing s;
    const LPCWSTR provider = key.provider.empty() ? nullptr : key.provider.c_str();
    if (!CryptAcquireContextW(&s.prov, key.container.c_str(), provider, key.type, key.flags))
        failed("CryptAcquireContextW");
    if (!CryptCreateHash(s.prov, algorithmOf(digest), 0, 0, &s.hash)) failed("CryptCreateHash");
    if (!CryptSetHashParam(s.hash, HP_HASHVAL, value.data(), 0)) failed("CryptSetHashParam");
    DWORD size = 0;
    if (!CryptSignHashW(s.hash, key.keySpec, nullptr, 0, nullptr, &size)) failed("CryptSignHashW");
    std::vector<BYTE> signature(size);
    if (!CryptSignHashW(s.hash, key.keySpec, nullptr, 0, signature.data(), &size)) failed("CryptSignHashW");
    // CryptoAPI keeps signatures least significant byte first.
    signature.resize(size);
    std::reverse(signature.begin(), signature.end());
    return signature;
}

}  // namespace

std::shared_ptr<const ClientCredential> clientCredentialOf(PCCERT_CONTEXT context) {
    std::shared_ptr<const CERT_CONTEXT> held(CertDuplicateCertificateContext(context), CertFreeCertificateContext);
    if (!held) failed("CertDuplicateCertificateContext");
    auto credential = std::make_shared<ClientCredential>();
    credential->certificate.assign(held->pbCertEncoded, held->pbCertEncoded + held->cbCertEncoded);
    credential->sign = [held](Digest digest, std::span<const BYTE> value) {
        return sign(keyLocationOf(held.get()), digest, value);
    };
    return credential;
}

}  // namespace platform::inet
