// cert_info_fill.cpp: filling a description record from a certificate
// context, and the certificate stored on a provider's key.
#include <iterator>
#include <utility>

#include "ansi_text.h"
#include "common/cert_info.h"
#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/pem.h"
#include "common/strings.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "win32/crypt_names.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace {

// KP_CERTIFICATE is read into this much room first; a larger certificate
// is read again into the size the provider reports.
constexpr DWORD kKeyCertificateRoom = 8192;
constexpr char kStandardIssuerMark[] = "tandard";

// The simple display name of the subject, or of the issuer with
// CERT_NAME_ISSUER_FLAG.
void readDisplayName(PCCERT_CONTEXT context, DWORD flags, std::string& out) {
    const DWORD size = CertGetNameStringA(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, nullptr, 0);
    if (size == 0) return;
    std::vector<char> text(size, '\0');
    if (CertGetNameStringA(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, text.data(), size) == 0) return;
    out = text.data();
}

void readX500Name(const CERT_NAME_BLOB& name, std::string& out) {
    const DWORD size = CertNameToStrA(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, nullptr, 0);
    if (size == 0) return;
    std::vector<char> text(size, '\0');
    if (CertNameToStrA(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, text.data(), size) == 0) return;
    out = text.data();
}

// CryptoAPI keeps the serial little-endian, its sign byte included.
std::string serialText(const CRYPT_INTEGER_BLOB& serial) {
    const std::vector<BYTE> bigEndian(std::make_reverse_iterator(serial.pbData + serial.cbData),
                                      std::make_reverse_iterator(serial.pbData));
    return BytesToHex(bigEndian.data(), bigEndian.size());
}

// "xxxx xxxx ...": a blank after every second byte.
std::string thumbprintText(PCCERT_CONTEXT context) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(context, CERT_SHA1_HASH_PROP_ID, nullptr, &size)) return {};
    std::vector<BYTE> hash(size);
    if (!CertGetCertificateContextProperty(context, CERT_SHA1_HASH_PROP_ID, hash.data(), &size)) return {};
    return BytesToHex(hash.data(), size, 2, " ");
}

void readKeyProvInfo(PCCERT_CONTEXT context, CertInfo& info) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) return;
    RecordBuffer property(size);
    if (!CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, property.data(), &size)) return;
    const auto& prov = property.as<CRYPT_KEY_PROV_INFO>();
    if (!prov.dwProvType || !prov.dwKeySpec || !prov.pwszProvName || !prov.pwszContainerName) {
        TLogStrVect::Instance()->Print(sgLogLevelWarns, "'%s': no CRYPT_KEY_PROV_INFO", info.subjectSimpleName.c_str());
        return;
    }
    info.providerName = AnsiFromWide(prov.pwszProvName);
    info.containerName = AnsiFromWide(prov.pwszContainerName);
    info.providerType = prov.dwProvType;
    info.keySpec = prov.dwKeySpec;
    info.hasKeyProvInfo = 1;
}

DWORD certClassOf(const CertInfo& info, bool authorityExtension) {
    DWORD certClass = 0;
    if (info.hasQcStatements == 1)
        certClass = kCertClassQualified;
    else if (info.issuerDn.find(kStandardIssuerMark) != std::string::npos)
        certClass = kCertClassStandard;
    return authorityExtension ? certClass | kCertClassAuthority : certClass;
}

// Every field but the label; 0 when the certificate cannot be put into
// Base64, with the fields filled before that.
DWORD fill(PCCERT_CONTEXT context, CertInfo& info) {
    CERT_INFO& cert = *context->pCertInfo;
    readDisplayName(context, 0, info.subjectSimpleName);
    readX500Name(cert.Subject, info.subjectDn);
    readDisplayName(context, CERT_NAME_ISSUER_FLAG, info.issuerSimpleName);
    readX500Name(cert.Issuer, info.issuerDn);
    info.subjectNameDer.assign(cert.Subject.pbData, cert.Subject.pbData + cert.Subject.cbData);
    TCryptoapi::GetKeyIdentifiers(context, kAuthorityKeyId, info.authorityKeyId);
    TCryptoapi::GetKeyIdentifiers(context, kSubjectKeyId, info.subjectKeyId);
    if (cert.SignatureAlgorithm.pszObjId && *cert.SignatureAlgorithm.pszObjId) {
        info.signatureAlgOid = cert.SignatureAlgorithm.pszObjId;
        info.hashAlgOid =
            TCryptoapi::AlgIdToOid(TCryptoapi::OidToAlgId(info.signatureAlgOid), CRYPT_HASH_ALG_OID_GROUP_ID);
    }
    if (!Base64ConvertBuffer(context->pbCertEncoded, context->cbCertEncoded, info.base64Der, kBase64RecordFlags))
        return 0;
    info.pem = TAsn1Coder::CertToPem(info.base64Der);
    info.der.assign(context->pbCertEncoded, context->pbCertEncoded + context->cbCertEncoded);
    TCryptoapi::DecodeObject(cert.Subject, info.subjectRdn);
    TCryptoapi::DecodeObject(cert.Issuer, info.issuerRdn);
    TCryptoapi::GetAltNames(cert, info.altNames);
    TCryptoapi::GetIssuerAltNames(cert, info.issuerAltNames);
    info.serialHex = serialText(cert.SerialNumber);
    BYTE usage[2] = {};
    if (CertGetIntendedKeyUsage(X509_ASN_ENCODING, &cert, usage, sizeof usage))
        info.keyUsage = static_cast<DWORD>(usage[0]) | static_cast<DWORD>(usage[1]) << 8;
    TCryptoapi::GetEnhancedKeyUsage(context, info.enhancedKeyUsage);
    info.hasQcStatements = TCryptoapi::GetQcStatements(context, info.qcStatementOids);
    TCryptoapi::GetCertPolicies(context, info.policyOids);
    const bool authorityExtension = TCryptoapi::GetMakerExtension(context, info.authorityExtension) != 0;
    info.certClass = certClassOf(info, authorityExtension);
    if (std::u16string comment; TCryptoapi::GetNetscapeComment(context, comment))
        info.comment = WideToMultiByte(comment.data(), static_cast<int>(comment.size()));
    info.version = cert.dwVersion;
    info.notBefore = cert.NotBefore;
    info.notAfter = cert.NotAfter;
    info.thumbprintHex = thumbprintText(context);
    readKeyProvInfo(context, info);
    info.keyLength = CertGetPublicKeyLength(X509_ASN_ENCODING, &cert.SubjectPublicKeyInfo);
    return 1;
}

}  // namespace

// The record is filled afresh, keeping only its label, so that a record
// filled again (as a selection loop does) never keeps list entries or values
// of the certificate it described before.
DWORD TCryptoapi::GetCertInfo(PCCERT_CONTEXT context, CertInfo& out) {
    if (!context || !(context->dwCertEncodingType & X509_ASN_ENCODING)) return 0;
    CertInfo info;
    info.label = out.label;
    const DWORD filled = fill(context, info);
    out = std::move(info);
    return filled;
}

DWORD TCryptoapi::CertInfoFromDer(const std::vector<BYTE>& der, CertInfo& out) {
    const OwnedCertContext context(
        CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
    return context ? GetCertInfo(context.get(), out) : 0;
}

BOOL TCryptoapi::SetKeyProvInfo(PCCERT_CONTEXT context, const CertInfo& info) {
    return SetKeyProvInfo(context, MultiByteToWide(info.providerName, CP_ACP),
                          MultiByteToWide(info.containerName, CP_ACP), info.providerType, info.keySpec);
}

BOOL TCryptoapi::SetKeyProvInfo(PCCERT_CONTEXT context, const std::u16string& provider,
                                const std::u16string& container, DWORD type, DWORD keySpec) {
    std::u16string containerName = container;
    std::u16string providerName = provider;
    CRYPT_KEY_PROV_INFO prov{};
    prov.pwszContainerName = containerName.data();
    prov.pwszProvName = providerName.data();
    prov.dwProvType = type;
    prov.dwKeySpec = keySpec;
    return CertSetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, 0, &prov);
}

DWORD TCryptoapi::GetKeyCertificate(HCRYPTPROV provider, DWORD keySpec, CertInfo& out) {
    HCRYPTKEY key = 0;
    if (!CryptGetUserKey(provider, keySpec, &key)) return 0;
    std::vector<BYTE> der(kKeyCertificateRoom);
    DWORD size = kKeyCertificateRoom;
    BOOL read = CryptGetKeyParam(key, KP_CERTIFICATE, der.data(), &size, 0);
    if (!read && GetLastError() == ERROR_MORE_DATA) {
        der.resize(size);
        read = CryptGetKeyParam(key, KP_CERTIFICATE, der.data(), &size, 0);
    }
    CryptDestroyKey(key);
    if (!read) return 0;
    der.resize(size);
    return CertInfoFromDer(der, out);
}
