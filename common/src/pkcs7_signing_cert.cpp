// pkcs7_signing_cert.cpp: the certificate hash of a signer's
// SigningCertificate (RFC 2634 5.4) and SigningCertificateV2 (RFC 5035 3)
// attributes, as hexadecimal or Base64 text.
#include "common/pem.h"
#include "common/pkcs7.h"
#include "common/strings.h"
#include "pkcs7_query.h"
#include "sign_policy_asn1.h"

using namespace pkcs7;

namespace {

// Base64 encoding with CR LF line ends.
constexpr DWORD kBase64HashFlags = 33;

// "abcd ef01 ..." or Base64 text of the hash.
DWORD HashText(const std::vector<BYTE>& hash, DWORD hex, std::string& out) {
    if (hex) {
        std::string text = BytesToHex(hash.data(), hash.size(), 2, " ");
        if (text.empty()) return kErrEmptyText;
        out = std::move(text);
        return 0;
    }
    return Base64ConvertVector(hash, out, kBase64HashFlags) ? 0 : kErrBase64;
}

// SigningCertificate ::= SEQUENCE { certs SEQUENCE OF ESSCertID, ... }, and
// the same for V2: the elements of the first ESSCertID(v2) of the signer's
// one attribute of that OID, in value, which they point into.
DWORD EssCertIdOf(const TPkcs7& reader, DWORD n, const char* oid, std::vector<BYTE>& value,
                  sign_policy::Elements& essCertId) {
    std::vector<std::vector<BYTE>> values;
    const DWORD result = reader.GetSignerAttributeValues(n, CMSG_SIGNER_AUTH_ATTR_PARAM, oid, values);
    if (result == kErrAttributeNotFound) return kErrSigningCertNotFound;
    if (result) return result;
    if (values.size() > 1) return kErrSigningCertTwice;
    value = std::move(values.front());
    sign_policy::Elements signingCertificate, certs;
    if (!sign_policy::ReadSequence(value, 1, signingCertificate) ||
        !sign_policy::ReadSequence(signingCertificate[0], 1, certs) ||
        !sign_policy::ReadSequence(certs[0], 1, essCertId))
        return kErrQuery;
    return 0;
}

}  // namespace

DWORD TPkcs7::GetSignerSigningCertHash(DWORD n, std::string& hash, DWORD hex) const {
    return Guarded([&]() -> DWORD {
        std::vector<BYTE> value;
        sign_policy::Elements essCertId;
        if (const DWORD result = EssCertIdOf(*this, n, kSigningCertificateOid, value, essCertId)) return result;
        std::vector<BYTE> certHash;
        if (!sign_policy::ReadOctetString(essCertId[0], certHash)) return kErrQuery;
        return HashText(certHash, hex, hash);
    });
}

// ESSCertIDv2 ::= SEQUENCE { hashAlgorithm DEFAULT sha256, certHash, ... }:
// when the first element is no algorithm identifier it is the hash.
DWORD TPkcs7::GetSignerSigningCertHashV2(DWORD n, std::string& hashOid, std::string& hash, DWORD hex) const {
    return Guarded([&]() -> DWORD {
        std::vector<BYTE> value;
        sign_policy::Elements essCertId;
        if (const DWORD result = EssCertIdOf(*this, n, kSigningCertificateV2Oid, value, essCertId)) return result;
        std::string algorithm;
        std::size_t hashAt = 0;
        if (TSignPolicyDecoder().DecodeAlgorithmOid(essCertId[0], algorithm)) {
            hashAt = 1;
        } else {
            algorithm = kSha256Oid;
        }
        std::vector<BYTE> certHash;
        if (hashAt >= essCertId.size() || !sign_policy::ReadOctetString(essCertId[hashAt], certHash)) return kErrQuery;
        std::string text;
        if (const DWORD result = HashText(certHash, hex, text)) return result;
        hashOid = std::move(algorithm);
        hash = std::move(text);
        return 0;
    });
}
