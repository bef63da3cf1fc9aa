// CryptSignHash and CryptVerifySignature: PKCS #1 v1.5 over the hash's
// DigestInfo (or the bare value with CRYPT_NOHASHOID), the signature's bytes
// little-endian as CryptoAPI keeps them.
#include <algorithm>

#include "handles.h"
#include "platform/boundary.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

void checkFlags(DWORD flags) {
    if (flags & ~CRYPT_NOHASHOID) throw WinError(NTE_BAD_FLAGS, "signature flags");
}

Bytes signedInput(HashObject& hash, DWORD flags) {
    const Bytes& value = hash.value();
    return flags & CRYPT_NOHASHOID ? value : digestInfoOf(hash.algorithm(), value);
}

bool signHash(HCRYPTHASH hHash, DWORD spec, DWORD flags, BYTE* pb, DWORD* pcb) {
    const auto hash = hashes().get(hHash);
    if (!pcb) throw WinError(ERROR_INVALID_PARAMETER, "null pdwSigLen");
    checkFlags(flags);
    const auto key = hash->context().keyset->userKey(spec);
    // The length is known without signing, so a size query never asks for a PIN.
    const DWORD size = (rsaBits(key->publicKey()) + 7) / 8;
    const DWORD room = *pcb;
    *pcb = size;
    if (!pb) return true;
    if (room < size) throw WinError(ERROR_MORE_DATA, "signature buffer too small");
    const Bytes signature = key->sign(signedInput(*hash, flags));
    if (signature.size() > size) throw WinError(NTE_BAD_SIGNATURE, "the signature is longer than the modulus");
    std::fill(pb, pb + size, 0);
    std::reverse_copy(signature.begin(), signature.end(), pb);
    return true;
}

bool verifySignature(HCRYPTHASH hHash, const BYTE* pb, DWORD cb, HCRYPTKEY hPubKey, DWORD flags) {
    const auto hash = hashes().get(hHash);
    const auto key = keys().get(hPubKey);
    if (!pb) throw WinError(ERROR_INVALID_PARAMETER, "null signature");
    checkFlags(flags);
    const Bytes input = signedInput(*hash, flags);
    const Bytes bigEndian(std::make_reverse_iterator(pb + cb), std::make_reverse_iterator(pb));
    if (cb != (rsaBits(key->key->publicKey()) + 7) / 8 || !verifyPkcs1(key->key->publicKey(), input, bigEndian))
        throw WinError(NTE_BAD_SIGNATURE, "the signature does not match");
    return true;
}

}  // namespace

}  // namespace platform::crypt::provider

using namespace platform::crypt::provider;

BOOL CryptSignHashA(HCRYPTHASH hHash, DWORD dwKeySpec, LPCSTR, DWORD dwFlags, BYTE* pbSignature,
                    DWORD* pdwSigLen) noexcept {
    return platform::winBool([&] { return signHash(hHash, dwKeySpec, dwFlags, pbSignature, pdwSigLen); });
}

BOOL CryptSignHashW(HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR, DWORD dwFlags, BYTE* pbSignature,
                    DWORD* pdwSigLen) noexcept {
    return platform::winBool([&] { return signHash(hHash, dwKeySpec, dwFlags, pbSignature, pdwSigLen); });
}

BOOL CryptVerifySignatureA(HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen, HCRYPTKEY hPubKey, LPCSTR,
                           DWORD dwFlags) noexcept {
    return platform::winBool([&] { return verifySignature(hHash, pbSignature, dwSigLen, hPubKey, dwFlags); });
}

BOOL CryptVerifySignatureW(HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen, HCRYPTKEY hPubKey, LPCWSTR,
                           DWORD dwFlags) noexcept {
    return platform::winBool([&] { return verifySignature(hHash, pbSignature, dwSigLen, hPubKey, dwFlags); });
}
