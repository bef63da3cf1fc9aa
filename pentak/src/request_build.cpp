// CEnroll: the PKCS#10 request put together from the session (subject,
// attributes, requested extensions, the open key), signed with that key and
// handed out as Base64 text.
#include "common/decoded_object.h"
#include "common/pem.h"
#include "containers.h"
#include "encode_steps.h"
#include "enroll.h"
#include "known_providers.h"
#include "my_error.h"
#include "platform/text.h"
#include "win32/crypt_store.h"
#include "win32/error.h"
#include "win32/error_codes.h"

namespace {

constexpr int kTraceLevel = 2;
// What the encoder reports for a text that cannot be the string type asked
// for (a UTF-8 string with a lone surrogate).
constexpr DWORD kOssPduMismatch = static_cast<DWORD>(CRYPT_E_OSS_ERROR) + 9;
// Base64 in lines of 72 characters, each ended by LF alone.
constexpr DWORD kRequestTextFlags = 37;
constexpr BYTE kSetOfTag = 0x31;

void trace(const char* text, int line) { ReportError(kTraceLevel, 0, text, "Enroll", line); }

// The value as a name value of the attribute's type; a UTF-8 string the
// encoder refuses goes as a BMP string instead.
bool encodeAttributeValue(const SubjectAttribute& attribute, std::vector<BYTE>& out) {
    trace("CryptEncodeObject Strat", 3657);
    CERT_NAME_VALUE value{attribute.valueType,
                          {static_cast<DWORD>(attribute.value.size()), const_cast<BYTE*>(attribute.value.data())}};
    DWORD size = 0;
    if (!CryptEncodeObject(kCertEncoding, X509_NAME_VALUE, &value, nullptr, &size)) {
        if (GetLastError() != kOssPduMismatch || value.dwValueType != CERT_RDN_UTF8_STRING)
            return FailedAt(3666);
        trace("Opravuji na CERT_RDN_UNICODE_STRING", 3663);
        value.dwValueType = CERT_RDN_UNICODE_STRING;
        if (!CryptEncodeObject(kCertEncoding, X509_NAME_VALUE, &value, nullptr, &size)) return FailedAt(3666);
    }
    trace("CryptEncodeObject End", 3669);
    std::vector<BYTE> encoded(size);
    if (!CryptEncodeObject(kCertEncoding, X509_NAME_VALUE, &value, encoded.data(), &size))
        return FailedAt(3671);
    encoded.resize(size);
    out = std::move(encoded);
    return true;
}

// The RDN of one attribute: a SET of its one AttributeTypeAndValue.
bool encodeRdn(const SubjectAttribute& attribute, std::vector<BYTE>& out) {
    std::vector<BYTE> oid, value, typeAndValue, rdn;
    int failedLine = 0;
    if (!EncodeOidAlone(attribute.oid, oid, failedLine)) {
        FailedAt(failedLine);
        return FailedAt(3648);
    }
    if (!encodeAttributeValue(attribute, value) ||
        !EncodeSequenceStep({oid, value}, typeAndValue, 3679, 3681) ||
        !EncodeSequenceStep({typeAndValue}, rdn, 3689, 3692))
        return false;
    rdn[0] = kSetOfTag;
    out = std::move(rdn);
    return true;
}

}  // namespace

bool CEnroll::encodeSubjectName(std::vector<BYTE>& out) const {
    std::vector<std::vector<BYTE>> rdns;
    for (const SubjectAttribute& attribute : m_subjectAttributes) {
        std::vector<BYTE> rdn;
        if (!encodeRdn(attribute, rdn)) return false;
        rdns.push_back(std::move(rdn));
    }
    return EncodeSequenceStep(rdns, out, 3708, 3708);
}

BOOL CEnroll::EncodeAndSignRequest(BYTE* buffer, DWORD& length) {
    std::string signatureOid = platform::text::toNarrow(GetSignatureAlgorithmOid());
    CRYPT_ALGORITHM_IDENTIFIER signatureAlgorithm{signatureOid.data(), {}};
    std::vector<BYTE> subject;
    if (!encodeSubjectName(subject)) return FailedAt(1426);

    std::vector<std::vector<CRYPT_ATTR_BLOB>> values;
    std::vector<CRYPT_ATTRIBUTE> attributes;
    for (RequestAttribute& attribute : m_requestAttributes) {
        std::vector<CRYPT_ATTR_BLOB>& blobs = values.emplace_back();
        for (std::vector<BYTE>& value : attribute.values)
            blobs.push_back({static_cast<DWORD>(value.size()), value.data()});
    }
    for (std::size_t i = 0; i < m_requestAttributes.size(); ++i)
        attributes.push_back({m_requestAttributes[i].oid.data(), static_cast<DWORD>(values[i].size()),
                              values[i].data()});

    RecordBuffer publicKey;
    if (!ExportPublicKeyInfo(m_hProv, m_keySpec, publicKey)) return FailedAt(1491);
    CERT_REQUEST_INFO request{CERT_REQUEST_V1,
                              {static_cast<DWORD>(subject.size()), subject.data()},
                              publicKey.as<CERT_PUBLIC_KEY_INFO>(),
                              static_cast<DWORD>(attributes.size()),
                              attributes.data()};
    if (!CryptSignAndEncodeCertificate(m_hProv, m_keySpec, kCertEncoding, X509_CERT_REQUEST_TO_BE_SIGNED, &request,
                                       &signatureAlgorithm, nullptr, buffer, &length))
        return FailedAt(1509);
    if (!buffer) return TRUE;

    const DecodedObject signedRequest(X509_CERT, buffer, length);
    if (!signedRequest) return FailedAt(1523);
    if (!storePendingRequest(request, signedRequest.as<CERT_SIGNED_CONTENT_INFO>(), signatureOid.data()))
        return FailedAt(1525);
    return TRUE;
}

BOOL CEnroll::CreatePKCS10(std::u16string& pkcs10) {
    // The Kavlo card's information goes into every request of the profile
    // made with its key; without it the request fails.
    if (m_applicationProfile == sgAppProfileQuib_CP31 && m_providerName &&
        platform::text::equalsNoCase(*m_providerName, kKavloCspName) && !AddAttribute_KavloCardInfo())
        return FALSE;
    if (!buildRequestedExtensions()) return FailedAt(1689);
    DWORD length = 0;
    if (!EncodeAndSignRequest(nullptr, length)) return FailedAt(1691);
    std::vector<BYTE> der(length);
    if (!EncodeAndSignRequest(der.data(), length)) return FailedAt(1693);
    der.resize(length);
    std::string text;
    if (!Base64ConvertVector(der, text, kRequestTextFlags)) return FailedAt(1697);
    pkcs10 = platform::text::toWide(text);
    return TRUE;
}
