// CEnroll: the request's attributes of free text, as a name value or as the
// SHA-1 of its bytes.
#include <algorithm>

#include "common/cryptoapi.h"
#include "encode_steps.h"
#include "enroll.h"
#include "request_values.h"

bool CEnroll::hasRequestAttribute(std::string_view oid) const {
    return std::any_of(m_requestAttributes.begin(), m_requestAttributes.end(),
                       [&](const RequestAttribute& a) { return a.oid == oid; });
}

void CEnroll::addRequestAttribute(std::string_view oid, std::vector<BYTE> value) {
    m_requestAttributes.push_back({std::string(oid), {std::move(value)}});
}

BOOL CEnroll::AddAttribute_String(std::string_view oid, std::u16string_view text) {
    if (!IsOidArgument(oid)) return FALSE;
    std::vector<BYTE> bytes;
    if (!ValueBytes(text, m_attributeStringType, bytes)) return FALSE;
    const CERT_NAME_VALUE value{m_attributeStringType, {static_cast<DWORD>(bytes.size()), bytes.data()}};
    std::vector<BYTE> encoded;
    if (!EncodeStep(X509_NAME_VALUE, &value, encoded, 344, 346)) return FALSE;
    addRequestAttribute(oid, std::move(encoded));
    return TRUE;
}

BOOL CEnroll::AddAttribute_StringSHA1(std::string_view oid, std::u16string_view text) {
    if (!IsOidArgument(oid)) return FALSE;
    std::vector<BYTE> bytes;
    if (!ValueBytes(text, m_attributeStringType, bytes)) return FALSE;
    std::vector<BYTE> digest;
    TCryptoapi cryptoapi;
    if (!cryptoapi.HashSha1(m_hProv, CALG_SHA1, bytes, digest)) return FailedAt(386);
    std::vector<BYTE> encoded;
    if (!EncodeOctetStringStep(digest, encoded, 291, 293)) return FailedAt(388);
    addRequestAttribute(oid, std::move(encoded));
    return TRUE;
}
