// cms_sign_attributes.cpp: the signed attributes of one signer: signing
// time and the ESS signing-certificate attributes (RFC 2634 5.4, RFC 5035
// 3), each certificate named by its hash alone in v1 and by its hash, issuer
// and serial number in v2.
#include "cms_sign_parts.h"
#include "common/cms_sign.h"
#include "common/cryptoapi.h"
#include "pkcs7_query.h"
#include "win32/datetime.h"

namespace cms_sign {

namespace {

using Kind = TCryptAttrEncoder::Kind;

bool AddSigningTime(TCryptAttrEncoder& encoder) {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    FILETIME time{};
    return SystemTimeToFileTime(&now, &time) &&
           encoder.Add(Kind::Signed, pkcs7::kSigningTimeOid, szOID_RSA_signingTime, &time);
}

// OCTET STRING of the certificate's hash.
bool EncodeCertificateHash(PCCERT_CONTEXT certificate, ALG_ID algorithm, Bytes& out) {
    TCryptoapi hasher;
    Bytes hash;
    if (!hasher.HashData(certificate->pbCertEncoded, certificate->cbCertEncoded, algorithm, hash)) return false;
    const CRYPT_DATA_BLOB blob{static_cast<DWORD>(hash.size()), hash.data()};
    return Encode(X509_OCTET_STRING, &blob, out);
}

// SigningCertificate(V2) ::= SEQUENCE { certs SEQUENCE OF ESSCertID(v2) },
// the one certificate without policies.
bool AddSigningCertificate(LPCSTR oid, const Bytes& essCertId, TCryptAttrEncoder& encoder) {
    Bytes certs;
    if (!EncodeSequence({essCertId}, certs)) return false;
    const SequenceOfAny value({certs});
    return encoder.Add(Kind::Signed, oid, X509_SEQUENCE_OF_ANY, value.get());
}

// ESSCertID ::= SEQUENCE { certHash OCTET STRING } (no issuerSerial).
bool AddSigningCertificateV1(PCCERT_CONTEXT signer, TCryptAttrEncoder& encoder) {
    Bytes hash, essCertId;
    return EncodeCertificateHash(signer, CALG_SHA1, hash) && EncodeSequence({hash}, essCertId) &&
           AddSigningCertificate(pkcs7::kSigningCertificateOid, essCertId, encoder);
}

// ESSCertIDv2 ::= SEQUENCE { certHash, issuerSerial }, hashAlgorithm left
// out for its default SHA-256; IssuerSerial ::= SEQUENCE { GeneralNames
// { [4] Name }, serialNumber }.
bool AddSigningCertificateV2(PCCERT_CONTEXT signer, TCryptAttrEncoder& encoder) {
    const CERT_INFO& info = *signer->pCertInfo;
    const Bytes issuer(info.Issuer.pbData, info.Issuer.pbData + info.Issuer.cbData);
    Bytes hash, directoryName, generalNames, serial, issuerSerial, essCertId;
    if (!EncodeCertificateHash(signer, CALG_SHA_256, hash) || !EncodeSequence({issuer}, directoryName)) return false;
    directoryName[0] = 0xA4;  // the SEQUENCE around the Name becomes [4], the directoryName choice
    return EncodeSequence({directoryName}, generalNames) &&
           Encode(X509_MULTI_BYTE_INTEGER, &info.SerialNumber, serial) &&
           EncodeSequence({generalNames, serial}, issuerSerial) && EncodeSequence({hash, issuerSerial}, essCertId) &&
           AddSigningCertificate(pkcs7::kSigningCertificateV2Oid, essCertId, encoder);
}

}  // namespace

bool AddSignedAttributes(PCCERT_CONTEXT signer, DWORD flags, const SignPolicyInfo* policy, TCryptAttrEncoder& encoder) {
    return (!(flags & kSignSigningTime) || AddSigningTime(encoder)) &&
           (!(flags & kSignSigningCert) || AddSigningCertificateV1(signer, encoder)) &&
           (!(flags & kSignSigningCertV2) || AddSigningCertificateV2(signer, encoder)) &&
           (!(flags & kSignPolicyId) || (policy && AddSignaturePolicyId(*policy, encoder)));
}

}  // namespace cms_sign
