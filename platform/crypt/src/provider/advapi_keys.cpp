// CryptGenKey, CryptGetUserKey, CryptDestroyKey, CryptExportKey and
// CryptImportKey.
#include "handles.h"
#include "key_blobs.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "software_csp.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

constexpr DWORD kKeyFlags = CRYPT_EXPORTABLE | CRYPT_USER_PROTECTED;

DWORD specOfAlgorithm(ALG_ID algorithm) {
    if (algorithm == AT_SIGNATURE || algorithm == CALG_RSA_SIGN) return AT_SIGNATURE;
    if (algorithm == AT_KEYEXCHANGE || algorithm == CALG_RSA_KEYX) return AT_KEYEXCHANGE;
    throw WinError(NTE_BAD_ALGID, "only RSA key pairs are made here");
}

bool addKey(std::shared_ptr<Key> key, std::shared_ptr<ProviderContext> context, HCRYPTKEY* phKey) {
    *phKey = keys().add(std::make_shared<KeyObject>(KeyObject{std::move(key), std::move(context)}));
    return true;
}

bool genKey(HCRYPTPROV hProv, ALG_ID algorithm, DWORD flags, HCRYPTKEY* phKey) {
    const auto context = contexts().get(hProv);
    if (!phKey) throw WinError(ERROR_INVALID_PARAMETER, "null phKey");
    if (LOWORD(flags) & ~kKeyFlags) throw WinError(NTE_BAD_FLAGS, "CryptGenKey flags");
    const DWORD spec = specOfAlgorithm(algorithm);
    const DWORD bits =
        keyLengthFor(context->keyset->algorithms(), spec == AT_SIGNATURE ? CALG_RSA_SIGN : CALG_RSA_KEYX, HIWORD(flags));
    return addKey(context->keyset->generateKey(spec, bits, flags & CRYPT_EXPORTABLE), context, phKey);
}

bool getUserKey(HCRYPTPROV hProv, DWORD spec, HCRYPTKEY* phKey) {
    const auto context = contexts().get(hProv);
    if (!phKey) throw WinError(ERROR_INVALID_PARAMETER, "null phUserKey");
    if (spec != AT_KEYEXCHANGE && spec != AT_SIGNATURE) throw WinError(NTE_NO_KEY, "no such key spec");
    return addKey(context->keyset->userKey(spec), context, phKey);
}

bool exportKey(HCRYPTKEY hKey, HCRYPTKEY hExpKey, DWORD type, DWORD flags, BYTE* pb, DWORD* pcb) {
    const auto object = keys().get(hKey);
    if (!pcb) throw WinError(ERROR_INVALID_PARAMETER, "null pdwDataLen");
    // Blobs leave in the clear only: there are no session keys to wrap them.
    if (hExpKey) throw WinError(NTE_BAD_KEY, "no key to encrypt the blob with");
    if (flags) throw WinError(NTE_BAD_FLAGS, "CryptExportKey flags");
    const Key& key = *object->key;
    if (type == PUBLICKEYBLOB) {
        copyOut(exportPublicBlob(key.publicKey(), key.algorithm()), pb, pcb);
        return true;
    }
    if (type != PRIVATEKEYBLOB) throw WinError(NTE_BAD_TYPE, "blob type " + std::to_string(type));
    Bytes blob = exportPrivateBlob(key.exportablePair(), key.algorithm());
    copyOut(blob, pb, pcb);
    OPENSSL_cleanse(blob.data(), blob.size());
    return true;
}

bool importKey(HCRYPTPROV hProv, const BYTE* pb, DWORD cb, HCRYPTKEY hPubKey, DWORD flags, HCRYPTKEY* phKey) {
    const auto context = contexts().get(hProv);
    if (!pb || !phKey) throw WinError(ERROR_INVALID_PARAMETER, "CryptImportKey arguments");
    if (flags & ~kKeyFlags) throw WinError(NTE_BAD_FLAGS, "CryptImportKey flags");
    if (hPubKey) throw WinError(NTE_BAD_KEY, "no key to decrypt the blob with");
    ImportedBlob blob = importBlob({pb, cb});
    if (blob.type == PUBLICKEYBLOB) return addKey(publicKeyAlone(std::move(blob.key), blob.algorithm), context, phKey);
    const DWORD spec = blob.algorithm == CALG_RSA_SIGN ? AT_SIGNATURE : AT_KEYEXCHANGE;
    return addKey(context->keyset->importKeyPair(spec, std::move(blob.key), flags & CRYPT_EXPORTABLE), context, phKey);
}

}  // namespace

}  // namespace platform::crypt::provider

using namespace platform::crypt::provider;

BOOL CryptGenKey(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTKEY* phKey) noexcept {
    return platform::winBool([&] { return genKey(hProv, Algid, dwFlags, phKey); });
}

BOOL CryptGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey) noexcept {
    return platform::winBool([&] { return getUserKey(hProv, dwKeySpec, phUserKey); });
}

BOOL CryptDestroyKey(HCRYPTKEY hKey) noexcept {
    return platform::winBool([&] { return keys().remove(hKey) != nullptr; });
}

BOOL CryptExportKey(HCRYPTKEY hKey, HCRYPTKEY hExpKey, DWORD dwBlobType, DWORD dwFlags, BYTE* pbData,
                    DWORD* pdwDataLen) noexcept {
    return platform::winBool([&] { return exportKey(hKey, hExpKey, dwBlobType, dwFlags, pbData, pdwDataLen); });
}

BOOL CryptImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD dwDataLen, HCRYPTKEY hPubKey, DWORD dwFlags,
                    HCRYPTKEY* phKey) noexcept {
    return platform::winBool([&] { return importKey(hProv, pbData, dwDataLen, hPubKey, dwFlags, phKey); });
}
