// Texts of RDN values and the output rule shared by CertNameToStr and
// CertRDNValueToStr.
#pragma once

#include <string>

#include "win32/crypt_encode.h"

namespace platform::crypt::names {

// A value of a decoded X509_NAME as text: strings in their characters,
// CERT_RDN_ENCODED_BLOB and CERT_RDN_OCTET_STRING as "#" and upper-case hex
// (which CertStrToName reads back as an octet string). The narrow form keeps
// the bytes of 8-bit strings as they are and converts the rest to the ANSI
// page. `rdnFlags` may hold CERT_RDN_DISABLE_IE4_UTF8_FLAG.
std::u16string valueText(DWORD type, const CERT_RDN_VALUE_BLOB& value, DWORD rdnFlags, char16_t);
std::string valueText(DWORD type, const CERT_RDN_VALUE_BLOB& value, DWORD rdnFlags, char);
inline bool isHexText(DWORD type) {
    type &= CERT_RDN_TYPE_MASK;
    return type == CERT_RDN_ENCODED_BLOB || type == CERT_RDN_OCTET_STRING;
}

// Copies as much as fits with a NUL and returns the characters written with
// the NUL; without a buffer (or with csz 0) returns the size needed.
template <class Char>
DWORD putText(const std::basic_string<Char>& text, Char* psz, DWORD csz) {
    if (!psz || csz == 0) return static_cast<DWORD>(text.size() + 1);
    const std::size_t count = text.size() < csz - 1 ? text.size() : csz - 1;
    text.copy(psz, count);
    psz[count] = Char{};
    return static_cast<DWORD>(count + 1);
}

}  // namespace platform::crypt::names
