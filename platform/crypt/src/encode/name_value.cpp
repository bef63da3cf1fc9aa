// X509_NAME_VALUE (X509_ANY_STRING) and X509_UNICODE_NAME_VALUE
// (X509_UNICODE_ANY_STRING): one CERT_NAME_VALUE. The Unicode forms take and
// give character strings only, as CryptoAPI's do.
#include "encode/codecs.h"
#include "encode/string_values.h"

namespace platform::crypt::codecs {

der::Bytes encodeNameValue(const void* info, const Encoding& e) {
    const auto& value = record<CERT_NAME_VALUE>(info);
    if ((value.dwValueType & CERT_RDN_TYPE_MASK) == CERT_RDN_ANY_TYPE)
        throw WinError(E_INVALIDARG, "name value without a type");
    return strings::encodeValue(value.dwValueType, view(value.Value), {}, e.flags);
}

void decodeNameValue(der::View input, Decoding& d) {
    auto& value = *d.make<CERT_NAME_VALUE>();
    strings::readValue(der::readOuter(input), d, value.dwValueType, value.Value);
}

der::Bytes encodeUnicodeNameValue(const void* info, const Encoding& e) {
    const auto& value = record<CERT_NAME_VALUE>(info);
    const DWORD type = value.dwValueType & CERT_RDN_TYPE_MASK;
    if (type == CERT_RDN_ANY_TYPE) throw WinError(E_INVALIDARG, "name value without a type");
    if (!IS_CERT_RDN_CHAR_STRING(type)) throw WinError(CRYPT_E_NOT_CHAR_STRING, "not a character string type");
    return strings::encodeUnicode(value.dwValueType, value.Value, {}, e.flags);
}

void decodeUnicodeNameValue(der::View input, Decoding& d) {
    auto& value = *d.make<CERT_NAME_VALUE>();
    const der::Element e = der::readOuter(input);
    if (!IS_CERT_RDN_CHAR_STRING(strings::typeOf(e.tag)))
        throw WinError(CRYPT_E_NOT_CHAR_STRING, "not a character string");
    strings::readUnicode(e, d, value.dwValueType, value.Value);
}

}  // namespace platform::crypt::codecs
