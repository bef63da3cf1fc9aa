// CertCompareCertificate, CertCompareCertificateName, CertComparePublicKeyInfo
// and CertGetPublicKeyLength, and the comparisons behind them.
#include "store/compare.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "der/der.h"
#include "platform/boundary.h"
#include "store/decoded.h"
#include "store/digest.h"
#include "store/element.h"
#include "store/signature_check.h"
#include "win32/crypt_msg.h"
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

// The key identifier of a signer that CryptoAPI names by it: an Issuer of
// the one attribute szOID_KEYID_RDN holding an OCTET STRING, and no serial
// number. Nothing for an issuer and serial number.
std::optional<View> signerKeyIdOf(const CERT_INFO& id) {
    if (id.SerialNumber.cbData != 0 || id.Issuer.cbData == 0) return std::nullopt;
    try {
        der::Reader top(viewOf(id.Issuer));
        der::Reader name = top.enter(der::kSequence);
        der::Reader rdn = name.enter(der::kSet);
        der::Reader attribute = rdn.enter(der::kSequence);
        if (!name.atEnd() || !rdn.atEnd()) return std::nullopt;
        if (der::oidTextOf(attribute.read(der::kOid).content) != szOID_KEYID_RDN) return std::nullopt;
        return attribute.read(der::kOctetString).content;
    } catch (const WinError&) {
        return std::nullopt;
    }
}

}  // namespace

bool keyIdentifies(View keyId, const CERT_INFO& certificate) {
    try {
        return sameBytes(keyId, keyIdentifierOf(certificate)) ||
               sameBytes(keyId, digest(CALG_SHA1, viewOf(certificate.SubjectPublicKeyInfo.PublicKey)));
    } catch (const WinError&) {
        return false;  // a record without a usable key names nothing by key
    }
}

bool sameInteger(View a, View b) { return sameBytes(significant(a), significant(b)); }

bool sameCertId(const CERT_INFO& a, const CERT_INFO& b) {
    const std::optional<View> keyIdA = signerKeyIdOf(a), keyIdB = signerKeyIdOf(b);
    if (keyIdA && keyIdB) return sameBytes(*keyIdA, *keyIdB);
    if (keyIdA) return keyIdentifies(*keyIdA, b);
    if (keyIdB) return keyIdentifies(*keyIdB, a);
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
        if (!isRsa(*pPublicKey)) {
            const DWORD bits = keyBitsOf(*pPublicKey);
            if (!bits) throw WinError(NTE_BAD_ALGID, "a public key of an unknown algorithm");
            return bits;
        }
        const Bytes blob = rsaPublicKeyBlobOf(*pPublicKey);
        RSAPUBKEY key;
        if (blob.size() < sizeof(PUBLICKEYSTRUC) + sizeof key) throw WinError(NTE_BAD_KEY, "short key blob");
        std::memcpy(&key, blob.data() + sizeof(PUBLICKEYSTRUC), sizeof key);
        return key.bitlen;
    });
}
