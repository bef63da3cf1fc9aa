// CryptCreateHash, CryptHashData, CryptGetHashParam, CryptSetHashParam and
// CryptDestroyHash.
#include "handles.h"
#include "out_text.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

constexpr DWORD CRYPT_USERDATA = 1;

bool createHash(HCRYPTPROV hProv, ALG_ID algorithm, HCRYPTKEY hKey, DWORD flags, HCRYPTHASH* phHash) {
    const auto context = contexts().get(hProv);
    if (!phHash) throw WinError(ERROR_INVALID_PARAMETER, "null phHash");
    if (flags) throw WinError(NTE_BAD_FLAGS, "CryptCreateHash flags");
    if (hKey) throw WinError(NTE_BAD_KEY, "the hashes here take no key");
    const HashAlgorithm* hash = hashAlgorithm(algorithm);
    if (!hash || !findAlgorithm(context->keyset->algorithms(), algorithm))
        throw WinError(NTE_BAD_ALGID, "the provider does not offer hash " + std::to_string(algorithm));
    *phHash = hashes().add(std::make_shared<HashObject>(context, *hash));
    return true;
}

bool hashData(HCRYPTHASH hHash, const BYTE* pb, DWORD cb, DWORD flags) {
    const auto hash = hashes().get(hHash);
    if (flags & ~CRYPT_USERDATA) throw WinError(NTE_BAD_FLAGS, "CryptHashData flags");
    if (!pb && cb) throw WinError(ERROR_INVALID_PARAMETER, "null data");
    hash->update({pb, cb});
    return true;
}

bool getHashParam(HCRYPTHASH hHash, DWORD param, BYTE* pb, DWORD* pcb, DWORD flags) {
    const auto hash = hashes().get(hHash);
    if (!pcb) throw WinError(ERROR_INVALID_PARAMETER, "null pdwDataLen");
    if (flags) throw WinError(NTE_BAD_FLAGS, "CryptGetHashParam flags");
    switch (param) {
    case HP_ALGID: copyOutDword(hash->algorithm().id, pb, pcb); return true;
    case HP_HASHSIZE: copyOutDword(hash->algorithm().size, pb, pcb); return true;
    case HP_HASHVAL:
        if (!pb) {  // a size query leaves the hash open
            *pcb = hash->algorithm().size;
            return true;
        }
        copyOut(hash->value(), pb, pcb);
        return true;
    default: throw WinError(NTE_BAD_TYPE, "unknown hash parameter " + std::to_string(param));
    }
}

bool setHashParam(HCRYPTHASH hHash, DWORD param, const BYTE* pb, DWORD flags) {
    const auto hash = hashes().get(hHash);
    if (flags) throw WinError(NTE_BAD_FLAGS, "CryptSetHashParam flags");
    if (param != HP_HASHVAL) throw WinError(NTE_BAD_TYPE, "unknown hash parameter " + std::to_string(param));
    if (!pb) throw WinError(ERROR_INVALID_PARAMETER, "null hash value");
    hash->setValue({pb, hash->algorithm().size});
    return true;
}

}  // namespace

}  // namespace platform::crypt::provider

using namespace platform::crypt::provider;

BOOL CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags, HCRYPTHASH* phHash) noexcept {
    return platform::winBool([&] { return createHash(hProv, Algid, hKey, dwFlags, phHash); });
}

BOOL CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags) noexcept {
    return platform::winBool([&] { return hashData(hHash, pbData, dwDataLen, dwFlags); });
}

BOOL CryptGetHashParam(HCRYPTHASH hHash, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags) noexcept {
    return platform::winBool([&] { return getHashParam(hHash, dwParam, pbData, pdwDataLen, dwFlags); });
}

BOOL CryptSetHashParam(HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) noexcept {
    return platform::winBool([&] { return setHashParam(hHash, dwParam, pbData, dwFlags); });
}

BOOL CryptDestroyHash(HCRYPTHASH hHash) noexcept {
    return platform::winBool([&] { return hashes().remove(hHash) != nullptr; });
}
