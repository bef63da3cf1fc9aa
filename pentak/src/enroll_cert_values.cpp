// CEnroll: the values of a certificate given as text, and whether one
// certificate issued another.
#include "cert_checks.h"
#include "cert_key_lookup.h"
#include "cert_values.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"
#include "common/pem.h"
#include "enroll.h"
#include "win32/crypt_string.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace {

bool decode(std::u16string_view text, std::vector<BYTE>& der) {
    return TAsn1Coder::StringToBinary(std::u16string(text), der, CRYPT_STRING_BASE64_ANY) && !der.empty();
}

// The UTF-16 bytes of the text (two a character, low byte first) as
// Base64 in lines ended by LF.
bool base64OfText(const std::u16string& text, std::u16string& out) {
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    std::string encoded;
    if (!Base64ConvertVector(bytes, encoded, kBase64RecordFlags)) return false;
    out.assign(encoded.begin(), encoded.end());
    return true;
}

}  // namespace

DWORD CEnroll::GetCertVal(std::u16string_view certificate, LONG kind, std::u16string& value) {
    if (certificate.empty()) return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> der;
    CertInfo info;
    if (!decode(certificate, der) || !TCryptoapi::CertInfoFromDer(der, info))
        return ResultFromStatus(false, GetLastError());
    if (kind < kCertSerialDecimal || kind > kCertCardNumber) return ERROR_NOT_SUPPORTED;
    CertKeyInfo key;
    if (kind >= kCertProviderName && kind <= kCertContainerName &&
        !FindCertKeyInCspStoreOrPersonal(info.der, m_cspStore, key))
        return static_cast<DWORD>(NTE_BAD_KEYSET);
    std::u16string text;
    bool made = false;
    if (kind == kCertXml || kind == kCertXmlBase64) {
        made = CertificateToXML(info, text) && (kind == kCertXml || base64OfText(std::u16string(text), text));
    } else {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        made = CertValueText(info, key, kind, now, text);
    }
    if (!made) return ResultFromStatus(false, GetLastError());
    value = std::move(text);
    return 0;
}

DWORD CEnroll::IsIssued(std::u16string_view certificate, std::u16string_view issuer, BOOL& issued) {
    if (certificate.empty() || issuer.empty()) return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> subjectDer, issuerDer;
    if (!decode(certificate, subjectDer) || !decode(issuer, issuerDer)) return ResultFromStatus(false, GetLastError());
    const OwnedCertContext subject(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, subjectDer.data(), static_cast<DWORD>(subjectDer.size())));
    const OwnedCertContext ca(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                           issuerDer.data(), static_cast<DWORD>(issuerDer.size())));
    if (!subject || !ca) return ResultFromStatus(false, GetLastError());
    issued = IsIssuerOf(subject.get(), ca.get()) ? TRUE : FALSE;
    return 0;
}
