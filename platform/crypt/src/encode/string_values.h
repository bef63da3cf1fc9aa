// RDN and name values: the CERT_RDN_* types and their DER string tags, the
// character checks, the conversions between the record forms (bytes for the
// 8-bit types, UTF-16 for BMP and UTF-8 values, 32-bit code points for
// universal strings; UTF-16 throughout in the Unicode forms) and the wire.
#pragma once

#include <string>

#include "encode/codec.h"

namespace platform::crypt::strings {

// The DER tag of a string value type; 0 for a type that is no string.
BYTE tagOf(DWORD valueType) noexcept;
// A string type, CERT_RDN_OCTET_STRING, or CERT_RDN_ENCODED_BLOB.
DWORD typeOf(BYTE tag) noexcept;

// Encoding. dwValueType may carry CERT_RDN_*_FLAG bits; `flags` adds the
// CRYPT_UNICODE_NAME_ENCODE_* bits of the call. A character the type cannot
// hold throws EncodeError(CRYPT_E_INVALID_*_STRING, its index).
// The 8-bit record form (X509_NAME, X509_NAME_VALUE).
der::Bytes encodeValue(DWORD valueType, der::View value, std::string_view oid, DWORD flags);
// The Unicode record form (X509_UNICODE_NAME, X509_UNICODE_NAME_VALUE):
// text values are UTF-16, NUL-terminated when cbData is 0. CERT_RDN_ANY_TYPE
// picks the first type the OID's name-attribute record accepts that holds
// the text.
der::Bytes encodeUnicode(DWORD valueType, const CERT_RDN_VALUE_BLOB& value, std::string_view oid, DWORD flags);

// Decoding into the 8-bit record form: string types as above (copies are
// NUL-terminated), an OCTET STRING as its content, any other element as its
// TLV (CERT_RDN_ENCODED_BLOB).
void readValue(const der::Element& e, Decoding& d, DWORD& type, CERT_RDN_VALUE_BLOB& value);
// Decoding into the Unicode record form: every string type as UTF-16 with a
// NUL not counted; other elements as readValue gives them.
void readUnicode(const der::Element& e, Decoding& d, DWORD& type, CERT_RDN_VALUE_BLOB& value);

// The UTF-16 text of a string element (CRYPT_E_ASN1_BADTAG for another).
std::u16string wideOf(const der::Element& e, DWORD flags);

// UTF-16 text of a value in the 8-bit record form; a T61 string is read as
// UTF-8 when it is valid UTF-8 (unless CERT_RDN_DISABLE_IE4_UTF8_FLAG),
// otherwise byte by byte, as CryptoAPI does.
std::u16string textOf(DWORD valueType, der::View value, DWORD flags);

}  // namespace platform::crypt::strings
