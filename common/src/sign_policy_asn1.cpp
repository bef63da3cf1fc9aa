// sign_policy_asn1.cpp: the element readers of the policy decoder.
#include "sign_policy_asn1.h"

#include <cstdint>
#include <limits>

#include "common/cryptoapi.h"
#include "common/der_length.h"
#include "common/strings.h"
#include "common/decoded_object.h"
#include "win32/crypt_names.h"
#include "win32/error.h"

namespace sign_policy {

namespace {

constexpr BYTE kBooleanTag = 0x01;
constexpr BYTE kOidTag = 0x06;
constexpr BYTE kSequenceTag = 0x30;
constexpr BYTE kContextClass = 0x80;
constexpr BYTE kConstructed = 0x20;
constexpr BYTE kTagNumberMask = 0x1F;
constexpr BYTE kFirstNonIa5 = 0x80;

// Every decode of the policy reads straight from the policy's bytes.
DecodedObject Decode(LPCSTR structType, Der der) {
    if (der.size() > std::numeric_limits<DWORD>::max()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return DecodedObject(structType, nullptr, 0);
    }
    return DecodedObject(structType, der.data(), static_cast<DWORD>(der.size()), CRYPT_DECODE_NOCOPY_FLAG);
}

// A decoded element as a piece of der. Without copying the decoder points
// into der; anything else would outlive the decoded record, so it is refused.
bool Within(Der der, const CRYPT_DER_BLOB& element, Der& out) {
    const auto begin = reinterpret_cast<std::uintptr_t>(der.data());
    const auto at = reinterpret_cast<std::uintptr_t>(element.pbData);
    if (at < begin || at - begin > der.size() || element.cbData > der.size() - (at - begin)) return false;
    out = der.subspan(at - begin, element.cbData);
    return true;
}

std::string ValueText(const CERT_NAME_VALUE& value) {
    const DWORD size = CertRDNValueToStrA(value.dwValueType, &value.Value, nullptr, 0);
    if (size == 0) return {};
    std::string text(size, '\0');
    CertRDNValueToStrA(value.dwValueType, &value.Value, text.data(), size);
    text.resize(size - 1);
    return text;
}

bool ReadIntegerOf(LPCSTR structType, Der der, INT& out) {
    const DecodedObject value = Decode(structType, der);
    if (!value) return false;
    out = value.as<int>();
    return true;
}

// DER content octets of a non-negative INTEGER that fits 31 bits.
bool CountOfContent(Der content, DWORD& out) {
    if (content.empty() || content.size() > sizeof(DWORD) || (content[0] & 0x80)) return false;
    DWORD value = 0;
    for (BYTE b : content) value = (value << 8) | b;
    out = value;
    return true;
}

}  // namespace

bool ReadSequence(Der der, Elements& out) {
    const DecodedObject decoded = Decode(X509_SEQUENCE_OF_ANY, der);
    if (!decoded) return false;
    const auto& sequence = decoded.as<CRYPT_SEQUENCE_OF_ANY>();
    Elements elements;
    elements.reserve(sequence.cValue);
    for (DWORD i = 0; i < sequence.cValue; ++i) {
        Der element;
        if (!Within(der, sequence.rgValue[i], element)) return false;
        elements.push_back(element);
    }
    out = std::move(elements);
    return true;
}

bool ReadSequence(Der der, std::size_t minimum, Elements& out) {
    return ReadSequence(der, out) && out.size() >= minimum;
}

bool ReadInteger(Der der, INT& out) { return ReadIntegerOf(X509_INTEGER, der, out); }

bool ReadEnumerated(Der der, INT& out) { return ReadIntegerOf(X509_ENUMERATED, der, out); }

bool ReadEnumeratedIn(Der der, DWORD low, DWORD high, DWORD& out) {
    INT value = 0;
    if (!ReadEnumerated(der, value) || value < 0 || static_cast<DWORD>(value) < low || static_cast<DWORD>(value) > high)
        return false;
    out = static_cast<DWORD>(value);
    return true;
}

bool ReadBoolean(Der der, bool& out) {
    if (der.size() != 3 || der[0] != kBooleanTag || der[1] != 1) return false;
    out = der[2] != 0;
    return true;
}

bool ReadOctetString(Der der, std::vector<BYTE>& out) {
    const DecodedObject decoded = Decode(X509_OCTET_STRING, der);
    if (!decoded) return false;
    const auto& blob = decoded.as<CRYPT_DATA_BLOB>();
    out.assign(blob.pbData, blob.pbData + blob.cbData);
    return true;
}

bool ReadTime(Der der, FILETIME& out) {
    const DecodedObject decoded = Decode(X509_CHOICE_OF_TIME, der);
    if (!decoded) return false;
    out = decoded.as<FILETIME>();
    return true;
}

bool ReadDirectoryString(Der der, std::string& out) {
    const DecodedObject decoded = Decode(X509_NAME_VALUE, der);
    if (!decoded) return false;
    out = ValueText(decoded.as<CERT_NAME_VALUE>());
    return true;
}

bool ReadDirectoryName(Der der, std::vector<TRDNAttr>& attributes, std::string& text) {
    if (der.size() > std::numeric_limits<DWORD>::max()) return false;
    CERT_NAME_BLOB name{static_cast<DWORD>(der.size()), const_cast<BYTE*>(der.data())};
    if (!TCryptoapi::DecodeObject(name, attributes)) return false;
    const DWORD size = CertNameToStrA(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, nullptr, 0);
    text.assign(size, '\0');
    CertNameToStrA(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, text.data(), size);
    text.resize(size ? size - 1 : 0);
    return true;
}

bool ReadAlgorithmOid(Der der, std::string& out) {
    const DecodedObject decoded = Decode(X509_ALGORITHM_IDENTIFIER, der);
    if (decoded) {
        const char* oid = decoded.as<CRYPT_ALGORITHM_IDENTIFIER>().pszObjId;
        out = oid ? oid : "";
        return !out.empty();
    }
    // ERROR_FILE_NOT_FOUND: a platform without this structure type.
    return GetLastError() == ERROR_FILE_NOT_FOUND && ReadFirstOid(der, out);
}

bool ContentOf(Der element, Der& out) {
    if (element.size() < 2) return false;
    DWORD length = 0;
    const DWORD lengthField = DecodeDerLength(element.data() + 1, static_cast<DWORD>(element.size() - 1), &length);
    if (lengthField == 0) return false;
    const std::size_t header = 1 + lengthField;
    if (length > element.size() - header) return false;
    out = element.subspan(header, length);
    return true;
}

bool ReadOidText(Der element, std::string& out) {
    Der content;
    if (element.empty() || element[0] != kOidTag || !ContentOf(element, content)) return false;
    std::string text = JoinStringList(std::vector<int>(content.begin(), content.end()), ".");
    if (text.empty()) return false;
    out = std::move(text);
    return true;
}

// The OIDs follow one another, each with a one-byte length.
bool ReadOidList(Der element, std::vector<std::string>& out) {
    Der content;
    if (element.empty() || element[0] != kSequenceTag || !ContentOf(element, content)) return false;
    while (!content.empty()) {
        if (content.size() < 3 || content[0] != kOidTag || content[1] >= 0x80 || content[1] > content.size() - 2)
            return false;
        const Der oid = content.first(2 + content[1]);
        std::string text;
        if (ReadOidText(oid, text)) out.push_back(std::move(text));
        content = content.subspan(oid.size());
    }
    return true;
}

bool ReadFirstOid(Der sequence, std::string& out) {
    Elements elements;
    return ReadSequence(sequence, 1, elements) && ReadOidText(elements[0], out);
}

bool ReadTagged(Der element, Tagged& out) {
    if (element.empty() || !(element[0] & kContextClass) || !ContentOf(element, out.inner)) return false;
    out.number = element[0] & kTagNumberMask;
    out.constructed = (element[0] & kConstructed) != 0;
    return true;
}

bool ReadTaggedCount(const Tagged& tagged, DWORD& out) {
    if (!tagged.constructed) return CountOfContent(tagged.inner, out);
    INT value = 0;
    if (!ReadInteger(tagged.inner, value) || value < 0) return false;
    out = static_cast<DWORD>(value);
    return true;
}

bool ReadNameText(const Tagged& tagged, std::string& out) {
    if (tagged.constructed) return ReadDirectoryString(tagged.inner, out);
    for (BYTE b : tagged.inner)
        if (b >= kFirstNonIa5) return false;
    out.assign(tagged.inner.begin(), tagged.inner.end());
    return true;
}

}  // namespace sign_policy
