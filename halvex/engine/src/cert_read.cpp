// A certificate context read into the renewal program's record.
#include <iterator>

#include "common/decoded_object.h"
#include "common/pem.h"
#include "common/strings.h"
#include "halvex/cert_access.h"
#include "platform/text.h"
#include "win32/crypt_names.h"

namespace halvex {

namespace {

std::u16string nameString(PCCERT_CONTEXT context, DWORD type, DWORD flags) {
    const DWORD size = CertGetNameStringW(context, type, flags, nullptr, nullptr, 0);
    if (size <= 1) return {};
    std::u16string text(size, u'\0');
    const DWORD written = CertGetNameStringW(context, type, flags, nullptr, text.data(), size);
    text.resize(written ? written - 1 : 0);
    return text;
}

std::u16string x500Text(const CERT_NAME_BLOB& name) {
    const DWORD size = CertNameToStrW(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, nullptr, 0);
    if (size <= 1) return {};
    std::u16string text(size, u'\0');
    const DWORD written = CertNameToStrW(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, text.data(), size);
    text.resize(written ? written - 1 : 0);
    return text;
}

// The subject's attributes as UTF-16 entries, in encoded order.
std::vector<TRDNAttrW> subjectAttributes(const CERT_NAME_BLOB& subject) {
    std::vector<TRDNAttrW> out;
    const DecodedObject name(X509_NAME, subject, CRYPT_DECODE_NOCOPY_FLAG);
    if (!name) return out;
    const auto& info = name.as<CERT_NAME_INFO>();
    for (DWORD r = 0; r < info.cRDN; ++r)
        for (DWORD a = 0; a < info.rgRDN[r].cRDNAttr; ++a) {
            const CERT_RDN_ATTR& attr = info.rgRDN[r].rgRDNAttr[a];
            if (!attr.pszObjId) continue;
            const DWORD size = CertRDNValueToStrW(attr.dwValueType, &attr.Value, nullptr, 0);
            std::u16string value(size, u'\0');
            const DWORD written = size ? CertRDNValueToStrW(attr.dwValueType, &attr.Value, value.data(), size) : 0;
            value.resize(written ? written - 1 : 0);
            out.emplace_back(platform::text::toWide(attr.pszObjId), attr.dwValueType, std::move(value));
        }
    return out;
}

std::vector<std::u16string> wideList(const std::vector<std::string>& oids) {
    std::vector<std::u16string> out;
    for (const std::string& oid : oids) out.push_back(platform::text::toWide(oid));
    return out;
}

// CryptoAPI keeps the serial little-endian, its sign byte included.
std::u16string serialText(const CRYPT_INTEGER_BLOB& serial) {
    const std::vector<BYTE> bigEndian(std::make_reverse_iterator(serial.pbData + serial.cbData),
                                      std::make_reverse_iterator(serial.pbData));
    return platform::text::toWide(BytesToHex(bigEndian.data(), bigEndian.size()));
}

std::vector<BYTE> thumbprint(PCCERT_CONTEXT context) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(context, CERT_SHA1_HASH_PROP_ID, nullptr, &size)) return {};
    std::vector<BYTE> hash(size);
    if (!CertGetCertificateContextProperty(context, CERT_SHA1_HASH_PROP_ID, hash.data(), &size)) return {};
    hash.resize(size);
    return hash;
}

// The key's provider, only when the property names all four parts.
void readKeyProvider(PCCERT_CONTEXT context, CertInfo& record) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) return;
    RecordBuffer property(size);
    if (!CertGetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, property.data(), &size)) return;
    const auto& prov = property.as<CRYPT_KEY_PROV_INFO>();
    if (!prov.dwProvType || !prov.dwKeySpec || !prov.pwszProvName || !prov.pwszContainerName) return;
    record.providerName = prov.pwszProvName;
    record.containerName = prov.pwszContainerName;
    record.providerType = prov.dwProvType;
    record.keySpec = prov.dwKeySpec;
}

}  // namespace

bool TCryptoapi::ReadCertificate(CertInfo& out, PCCERT_CONTEXT context) {
    return ReadCertificate(out, context, PolicyOidsOf(AppEnvironment()));
}

bool TCryptoapi::ReadCertificate(CertInfo& out, PCCERT_CONTEXT context, const PolicyOidSet& policies) {
    if (!context || !(context->dwCertEncodingType & X509_ASN_ENCODING)) return false;
    CertInfo record;
    CERT_INFO& cert = *context->pCertInfo;
    record.commonName = nameString(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0);
    record.email = nameString(context, CERT_NAME_EMAIL_TYPE, 0);
    record.issuerCommonName = nameString(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, CERT_NAME_ISSUER_FLAG);
    record.subjectDn = x500Text(cert.Subject);
    record.issuerDn = x500Text(cert.Issuer);
    record.der.assign(context->pbCertEncoded, context->pbCertEncoded + context->cbCertEncoded);
    std::string base64;
    if (!Base64ConvertVector(record.der, base64, kBase64RecordFlags)) return false;
    record.pem = platform::text::toWide(TAsn1Coder::CertToPem(base64));
    record.subjectAttributes = subjectAttributes(cert.Subject);
    GetAltNames(cert, record.altNames);
    GetEnhancedKeyUsage(context, record.extendedKeyUsages);
    GetNetscapeComment(context, record.cardNumber);
    GetMakerExtension(context, record.pairNumber);
    BYTE usage[2] = {};
    if (CertGetIntendedKeyUsage(X509_ASN_ENCODING, &cert, usage, sizeof usage))
        record.keyUsage = usage[0];
    record.notBefore = cert.NotBefore;
    record.notAfter = cert.NotAfter;
    readKeyProvider(context, record);
    record.serial = serialText(cert.SerialNumber);
    record.thumbprint = thumbprint(context);
    std::vector<std::string> oids;
    GetCertPolicies(context, oids);
    record.policyOids = wideList(oids);
    oids.clear();
    GetQcStatements(context, oids);
    record.qcStatementOids = wideList(oids);
    ClassifyPolicies(record, policies);
    record.keyLength = CertGetPublicKeyLength(X509_ASN_ENCODING, &cert.SubjectPublicKeyInfo);
    out = std::move(record);
    return true;
}

}  // namespace halvex
