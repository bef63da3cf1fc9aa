// extensions.cpp: the certificate extensions the description record shows:
// alternative names of subject and issuer, key identifiers, extended key
// usage, policies, qcStatements, the certification authority's own extension
// and the comment.
#include "ansi_text.h"
#include "common/cryptoapi.h"
#include "common/codepage.h"
#include "common/der_length.h"
#include "common/int_text.h"
#include "common/strings.h"
#include "common/decoded_object.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace {

constexpr char kAuthorityExtensionOid[] = "1.3.6.1.4.1.32473.4.3";
constexpr BYTE kOidTag = 0x06;
constexpr DWORD kOtherNameFlag = 1;

PCERT_EXTENSION findExtension(const CERT_INFO& info, const char* oid) {
    return CertFindExtension(oid, info.cExtension, info.rgExtension);
}

// X509_ANY_STRING and X509_NAME_VALUE give BMP and UTF-8 strings as UTF-16,
// every other string type as its bytes.
bool isUtf16Value(const CERT_NAME_VALUE& value) {
    return value.dwValueType == CERT_RDN_BMP_STRING || value.dwValueType == CERT_RDN_UTF8_STRING;
}

// Texts of the narrow (ANSI) and the wide records from what CryptoAPI gives.
template <class Text>
struct TextOf;

template <>
struct TextOf<std::string> {
    static std::string from(const char16_t* wide) { return AnsiFromWide(wide); }
    static std::string from(const std::string& ansi) { return ansi; }
    static std::string from(const CERT_NAME_VALUE& value) {
        if (isUtf16Value(value))
            return WideToMultiByte(reinterpret_cast<const char16_t*>(value.Value.pbData),
                                   static_cast<int>(value.Value.cbData / sizeof(char16_t)));
        return std::string(reinterpret_cast<const char*>(value.Value.pbData), value.Value.cbData);
    }
};

template <>
struct TextOf<std::u16string> {
    static std::u16string from(const char16_t* wide) { return wide ? std::u16string(wide) : std::u16string(); }
    static std::u16string from(const std::string& ansi) { return MultiByteToWide(ansi, CP_ACP); }
    static std::u16string from(const CERT_NAME_VALUE& value) {
        const auto* bytes = reinterpret_cast<const char*>(value.Value.pbData);
        if (isUtf16Value(value))
            return std::u16string(reinterpret_cast<const char16_t*>(bytes), value.Value.cbData / sizeof(char16_t));
        return String2WideChar(bytes, static_cast<int>(value.Value.cbData), CP_ACP);
    }
};

// The dotted text of an encoded OID element; empty when it is none.
std::string oidText(const CRYPT_DER_BLOB& element) {
    if (element.cbData < 2 || element.pbData[0] != kOidTag) return {};
    DWORD length = 0;
    const DWORD lengthField = DecodeDerLength(element.pbData + 1, element.cbData - 1, &length);
    if (lengthField == 0 || 1 + lengthField + length > element.cbData) return {};
    const BYTE* content = element.pbData + 1 + lengthField;
    return JoinStringList(std::vector<int>(content, content + length), ".");
}

// The OID that opens an encoded SEQUENCE (a policy's identifier, a
// statement's identifier); empty when there is none.
std::string leadingOid(const CRYPT_DER_BLOB& sequence) {
    const DecodedObject items(X509_SEQUENCE_OF_ANY, sequence, CRYPT_DECODE_NOCOPY_FLAG);
    if (!items || items.as<CRYPT_SEQUENCE_OF_ANY>().cValue == 0) return {};
    return oidText(items.as<CRYPT_SEQUENCE_OF_ANY>().rgValue[0]);
}

// Appends the leading OID of every element of the extension's SEQUENCE; 0
// when the certificate has no such extension.
DWORD appendLeadingOids(PCCERT_CONTEXT context, const char* extensionOid, std::vector<std::string>& out) {
    if (!context) return 0;
    const PCERT_EXTENSION extension = findExtension(*context->pCertInfo, extensionOid);
    if (!extension) return 0;
    const DecodedObject elements(X509_SEQUENCE_OF_ANY, extension->Value, CRYPT_DECODE_NOCOPY_FLAG);
    if (!elements) return 1;
    const auto& sequence = elements.as<CRYPT_SEQUENCE_OF_ANY>();
    for (DWORD i = 0; i < sequence.cValue; ++i)
        if (std::string oid = leadingOid(sequence.rgValue[i]); !oid.empty()) out.push_back(std::move(oid));
    return 1;
}

template <class Text>
bool appendAltName(const CERT_ALT_NAME_ENTRY& entry, std::vector<TRDNAttrOf<Text>>& out) {
    using T = TextOf<Text>;
    const Text choice = T::from(IntToStr(static_cast<int>(entry.dwAltNameChoice)));
    switch (entry.dwAltNameChoice) {
    case CERT_ALT_NAME_OTHER_NAME: {
        const DecodedObject value(X509_ANY_STRING, entry.pOtherName->Value, CRYPT_DECODE_NOCOPY_FLAG);
        if (!value) return false;
        const auto& decoded = value.as<CERT_NAME_VALUE>();
        out.emplace_back(T::from(std::string(entry.pOtherName->pszObjId)), decoded.dwValueType, T::from(decoded),
                         kOtherNameFlag);
        return true;
    }
    case CERT_ALT_NAME_RFC822_NAME:
        out.emplace_back(choice, CERT_RDN_IA5_STRING, T::from(entry.pwszRfc822Name));
        return true;
    case CERT_ALT_NAME_DNS_NAME:
        out.emplace_back(choice, CERT_RDN_IA5_STRING, T::from(entry.pwszDNSName));
        return true;
    case CERT_ALT_NAME_URL:
        out.emplace_back(choice, CERT_RDN_IA5_STRING, T::from(entry.pwszURL));
        return true;
    case CERT_ALT_NAME_IP_ADDRESS: {
        std::string address;
        for (DWORD i = 0; i < entry.IPAddress.cbData; ++i)
            address += (i ? "." : "") + IntToStr(entry.IPAddress.pbData[i]);
        out.emplace_back(choice, CERT_RDN_IA5_STRING, T::from(address));
        return true;
    }
    default:
        return false;
    }
}

// The names of the extension, else of its obsolete form; nonzero when at
// least one was added.
template <class Text>
DWORD appendAltNames(const CERT_INFO& info, const char* oid, const char* obsoleteOid,
                     std::vector<TRDNAttrOf<Text>>& out) {
    PCERT_EXTENSION extension = findExtension(info, oid);
    if (!extension) extension = findExtension(info, obsoleteOid);
    if (!extension) return 0;
    const DecodedObject names(extension->pszObjId, extension->Value, CRYPT_DECODE_NOCOPY_FLAG);
    if (!names) return 0;
    const auto& list = names.as<CERT_ALT_NAME_INFO>();
    DWORD added = 0;
    for (DWORD i = 0; i < list.cAltEntry; ++i)
        if (appendAltName(list.rgAltEntry[i], out)) added = 1;
    return added;
}

template <class Text>
DWORD appendEnhancedKeyUsage(PCCERT_CONTEXT context, std::vector<TRDNAttrOf<Text>>& out) {
    DWORD size = 0;
    if (!CertGetEnhancedKeyUsage(context, 0, nullptr, &size)) return 1;
    RecordBuffer usage(size);
    if (!CertGetEnhancedKeyUsage(context, 0, static_cast<PCERT_ENHKEY_USAGE>(usage.data()), &size))
        return GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND) ? 1 : 0;
    const auto& list = usage.as<CERT_ENHKEY_USAGE>();
    for (DWORD i = 0; i < list.cUsageIdentifier; ++i)
        out.emplace_back(TextOf<Text>::from(std::string(list.rgpszUsageIdentifier[i])), 0, Text());
    return 1;
}

// The string of a certificate's extension decoded as the structure type;
// false when it is missing or does not decode.
template <class Text>
bool extensionText(PCCERT_CONTEXT context, const char* oid, LPCSTR structType, Text& out) {
    if (!context) return false;
    const PCERT_EXTENSION extension = findExtension(*context->pCertInfo, oid);
    if (!extension) return false;
    const DecodedObject value(structType, extension->Value, CRYPT_DECODE_NOCOPY_FLAG);
    if (!value) return false;
    // A value that is no character string (an encoded blob, an octet
    // string) has no text to show.
    const auto& decoded = value.as<CERT_NAME_VALUE>();
    out = IS_CERT_RDN_CHAR_STRING(decoded.dwValueType) ? TextOf<Text>::from(decoded) : Text();
    return true;
}

}  // namespace

DWORD TCryptoapi::GetAltNames(const CERT_INFO& info, std::vector<TRDNAttr>& out) {
    return appendAltNames(info, szOID_SUBJECT_ALT_NAME2, szOID_SUBJECT_ALT_NAME, out);
}

DWORD TCryptoapi::GetAltNames(const CERT_INFO& info, std::vector<TRDNAttrW>& out) {
    return appendAltNames(info, szOID_SUBJECT_ALT_NAME2, szOID_SUBJECT_ALT_NAME, out);
}

DWORD TCryptoapi::GetIssuerAltNames(const CERT_INFO& info, std::vector<TRDNAttr>& out) {
    return appendAltNames(info, szOID_ISSUER_ALT_NAME2, szOID_ISSUER_ALT_NAME, out);
}

DWORD TCryptoapi::GetIssuerAltNames(const CERT_INFO& info, std::vector<TRDNAttrW>& out) {
    return appendAltNames(info, szOID_ISSUER_ALT_NAME2, szOID_ISSUER_ALT_NAME, out);
}

DWORD TCryptoapi::GetKeyIdentifiers(PCCERT_CONTEXT context, DWORD which, std::vector<BYTE>& out) {
    if (!context) return 0;
    const bool subject = which == kSubjectKeyId;
    const PCERT_EXTENSION extension =
        findExtension(*context->pCertInfo, subject ? szOID_SUBJECT_KEY_IDENTIFIER : szOID_AUTHORITY_KEY_IDENTIFIER2);
    if (!extension) return 0;
    const DecodedObject decoded(subject ? szOID_SUBJECT_KEY_IDENTIFIER : X509_AUTHORITY_KEY_ID2, extension->Value);
    if (!decoded) return 0;
    const CRYPT_DATA_BLOB& id =
        subject ? decoded.as<CRYPT_DATA_BLOB>() : decoded.as<CERT_AUTHORITY_KEY_ID2_INFO>().KeyId;
    out.assign(id.pbData, id.pbData + id.cbData);
    return 1;
}

DWORD TCryptoapi::GetEnhancedKeyUsage(PCCERT_CONTEXT context, std::vector<TRDNAttr>& out) {
    return appendEnhancedKeyUsage(context, out);
}

DWORD TCryptoapi::GetEnhancedKeyUsage(PCCERT_CONTEXT context, std::vector<TRDNAttrW>& out) {
    return appendEnhancedKeyUsage(context, out);
}

DWORD TCryptoapi::GetCertPolicies(PCCERT_CONTEXT context, std::vector<std::string>& out) {
    return appendLeadingOids(context, szOID_CERT_POLICIES, out);
}

DWORD TCryptoapi::GetQcStatements(PCCERT_CONTEXT context, std::vector<std::string>& out) {
    return appendLeadingOids(context, szOID_QC_STATEMENTS_EXT, out);
}

DWORD TCryptoapi::GetMakerExtension(PCCERT_CONTEXT context, std::string& out) {
    return extensionText(context, kAuthorityExtensionOid, X509_ANY_STRING, out) ? 1 : 0;
}

bool TCryptoapi::GetMakerExtension(PCCERT_CONTEXT context, std::u16string& out) {
    return extensionText(context, kAuthorityExtensionOid, X509_ANY_STRING, out);
}

bool TCryptoapi::GetNetscapeComment(PCCERT_CONTEXT certificate, std::u16string& out) {
    return extensionText(certificate, szOID_NETSCAPE_COMMENT, X509_NAME_VALUE, out);
}
