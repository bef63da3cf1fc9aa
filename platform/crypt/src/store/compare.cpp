// CertCompareCertificate, CertCompareCertificateName, CertComparePublicKeyInfo
// and CertGetPublicKeyLength, and the comparisons behind them.
#include "store/compare.h"

#include <cstring>
#include <string_view>

#include "platform/boundary.h"
#include "store/decoded.h"
#include "win32/crypt_store.h"

using namespace platform;

namespace platform::crypt::store {

namespace {

// Without the high-order bytes that only repeat the sign.
View significant(View n) {
    while (n.size() > 1) {
        const BYTE top = n[n.size() - 1], next = n[n.size() - 2];
        if ((top == 0x00 && !(next & 0x80)) || (top == 0xFF && (next & 0x80)))
            n = n.first(n.size() - 1);
        else
            break;
    }
    return n;
}

bool isRsa(const CERT_PUBLIC_KEY_INFO& info) {
    return info.Algorithm.pszObjId && std::string_view(info.Algorithm.pszObjId) == szOID_RSA_RSA;
}

}  // namespace

bool sameInteger(View a, View b) { return sameBytes(significant(a), significant(b)); }

bool sameCertId(const CERT_INFO& a, const CERT_INFO& b) {
    return sameBytes(viewOf(a.Issuer), viewOf(b.Issuer)) && sameInteger(viewOf(a.SerialNumber), viewOf(b.SerialNumber));
}

Bytes rsaPublicKeyBlobOf(const CERT_PUBLIC_KEY_INFO& info) {
    return decodeToBytes(RSA_CSP_PUBLICKEYBLOB, viewOf(info.PublicKey));
}

bool samePublicKey(const CERT_PUBLIC_KEY_INFO& a, const CERT_PUBLIC_KEY_INFO& b) {
    if (a.PublicKey.cUnusedBits == b.PublicKey.cUnusedBits && sameBytes(viewOf(a.PublicKey), viewOf(b.PublicKey)))
        return true;
    if (!isRsa(a) || !isRsa(b)) return false;
    try {
        return sameBytes(rsaPublicKeyBlobOf(a), rsaPublicKeyBlobOf(b));
    } catch (const WinError&) {
        return false;  // a key that does not decode equals nothing but its own bytes
    }
}

}  // namespace platform::crypt::store

using namespace platform::crypt::store;

BOOL CertCompareCertificate(DWORD, PCERT_INFO pCertId1, PCERT_INFO pCertId2) noexcept {
    if (!pCertId1 || !pCertId2) return FALSE;
    return winBool([&] { return sameCertId(*pCertId1, *pCertId2); });
}

BOOL CertCompareCertificateName(DWORD, PCERT_NAME_BLOB pCertName1, PCERT_NAME_BLOB pCertName2) noexcept {
    if (!pCertName1 || !pCertName2) return FALSE;
    return sameBytes(viewOf(*pCertName1), viewOf(*pCertName2)) ? TRUE : FALSE;
}

BOOL CertComparePublicKeyInfo(DWORD, PCERT_PUBLIC_KEY_INFO pPublicKey1, PCERT_PUBLIC_KEY_INFO pPublicKey2) noexcept {
    if (!pPublicKey1 || !pPublicKey2) return FALSE;
    return winBool([&] { return samePublicKey(*pPublicKey1, *pPublicKey2); });
}

DWORD CertGetPublicKeyLength(DWORD, PCERT_PUBLIC_KEY_INFO pPublicKey) noexcept {
    return winValue<DWORD>(0, [&]() -> DWORD {
        if (!pPublicKey) throw WinError(E_INVALIDARG, "no public key");
        if (!isRsa(*pPublicKey)) throw WinError(NTE_BAD_ALGID, "not an RSA key");
        const Bytes blob = rsaPublicKeyBlobOf(*pPublicKey);
        RSAPUBKEY key;
        if (blob.size() < sizeof(PUBLICKEYSTRUC) + sizeof key) throw WinError(NTE_BAD_KEY, "short key blob");
        std::memcpy(&key, blob.data() + sizeof(PUBLICKEYSTRUC), sizeof key);
        return key.bitlen;
    });
}
