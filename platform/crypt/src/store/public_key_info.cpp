// CryptExportPublicKeyInfo(Ex) and CryptImportPublicKeyInfo: a provider's
// RSA public key as CERT_PUBLIC_KEY_INFO and back, through the key blobs of
// the provider and the RSA_CSP_PUBLICKEYBLOB encoding.
#include <string>
#include <string_view>

#include "platform/boundary.h"
#include "store/block_writer.h"
#include "store/compare.h"
#include "store/decoded.h"
#include "store/last_error.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

class UserKey {
public:
    UserKey(HCRYPTPROV provider, DWORD keySpec) {
        if (!CryptGetUserKey(provider, keySpec, &m_handle)) throwLastError("CryptGetUserKey");
    }
    ~UserKey() { CryptDestroyKey(m_handle); }
    UserKey(const UserKey&) = delete;
    UserKey& operator=(const UserKey&) = delete;
    HCRYPTKEY handle() const noexcept { return m_handle; }

private:
    HCRYPTKEY m_handle = 0;
};

Bytes publicKeyBlobOf(HCRYPTPROV provider, DWORD keySpec) {
    const UserKey key(provider, keySpec);
    DWORD size = 0;
    if (!CryptExportKey(key.handle(), 0, PUBLICKEYBLOB, 0, nullptr, &size)) throwLastError("CryptExportKey");
    Bytes blob(size);
    if (!CryptExportKey(key.handle(), 0, PUBLICKEYBLOB, 0, blob.data(), &size)) throwLastError("CryptExportKey");
    blob.resize(size);
    return blob;
}

// The NULL parameters of rsaEncryption.
constexpr BYTE kNullParameters[] = {0x05, 0x00};

}  // namespace

BOOL CryptExportPublicKeyInfoEx(HCRYPTPROV_OR_NCRYPT_KEY_HANDLE hCryptProvOrNCryptKey, DWORD dwKeySpec,
                                DWORD dwCertEncodingType, LPSTR pszPublicKeyObjId, DWORD, void*,
                                PCERT_PUBLIC_KEY_INFO pInfo, DWORD* pcbInfo) noexcept {
    return winBool([&] {
        if (!(dwCertEncodingType & X509_ASN_ENCODING)) throw WinError(E_INVALIDARG, "not an X.509 encoding");
        const Bytes blob = publicKeyBlobOf(hCryptProvOrNCryptKey, dwKeySpec);
        const Bytes key = encodeObject(RSA_CSP_PUBLICKEYBLOB, blob.data());
        const std::string_view oid = pszPublicKeyObjId ? pszPublicKeyObjId : szOID_RSA_RSA;
        copyOutBlock(pInfo, pcbInfo, [&](BlockWriter& w) {
            auto* info = w.take<CERT_PUBLIC_KEY_INFO>();
            char* oidText = w.copyText(oid);
            BYTE* parameters = w.copy(kNullParameters);
            BYTE* keyBits = w.copy(key);
            if (info)
                *info = {{oidText, {sizeof kNullParameters, parameters}}, {static_cast<DWORD>(key.size()), keyBits, 0}};
        });
        return true;
    });
}

BOOL CryptExportPublicKeyInfo(HCRYPTPROV_OR_NCRYPT_KEY_HANDLE hCryptProvOrNCryptKey, DWORD dwKeySpec,
                              DWORD dwCertEncodingType, PCERT_PUBLIC_KEY_INFO pInfo, DWORD* pcbInfo) noexcept {
    return CryptExportPublicKeyInfoEx(hCryptProvOrNCryptKey, dwKeySpec, dwCertEncodingType, nullptr, 0, nullptr, pInfo,
                                      pcbInfo);
}

BOOL CryptImportPublicKeyInfo(HCRYPTPROV hCryptProv, DWORD, PCERT_PUBLIC_KEY_INFO pInfo, HCRYPTKEY* phKey) noexcept {
    return winBool([&] {
        if (!pInfo || !phKey) throw WinError(E_INVALIDARG, "no key info");
        if (!pInfo->Algorithm.pszObjId || std::string_view(pInfo->Algorithm.pszObjId) != szOID_RSA_RSA)
            throw WinError(NTE_BAD_ALGID, "not an RSA key");
        const Bytes blob = rsaPublicKeyBlobOf(*pInfo);
        if (!CryptImportKey(hCryptProv, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, phKey))
            throwLastError("CryptImportKey");
        return true;
    });
}
