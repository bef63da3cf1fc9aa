// values.h: ASN.1 values to and from the fields of the library's records.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "der.h"
#include "failure.h"
#include "ossl.h"
#include "tti/tti.h"

namespace tti {

// The DER of an OpenSSL object through its i2d function.
template <class T, class I2d>
der::Bytes toDer(const T* object, I2d i2d) {
    unsigned char* encoded = nullptr;
    const int length = i2d(object, &encoded);
    if (length <= 0) fail(TTI_E_ASN_RESULT);
    const std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(encoded,
                                                                         [](unsigned char* p) { OPENSSL_free(p); });
    return der::Bytes(encoded, encoded + length);
}

// Text into a zero-terminated field; TTI_E_INTERNAL_BUFFER when it does not fit.
void copyText(std::string_view text, char* field, std::size_t fieldSize);
template <std::size_t N>
void copyText(std::string_view text, char (&field)[N]) {
    copyText(text, field, N);
}

// A zero-terminated field as text; TTI_E_PARAMETER when it has no terminator.
std::string_view fieldText(const char* field, std::size_t fieldSize);

// Dotted text of an OID.
std::string oidText(const ASN1_OBJECT* oid);
// The OID of a dotted text (names are not accepted); null when it is not one.
Asn1Object oidFromText(std::string_view text);

// An INTEGER's content octets into a record, or from a record's bytes (null
// when they are not minimal two's complement or the value is negative).
void copyInteger(const ASN1_INTEGER* value, TtiInteger& field);
Asn1Integer positiveIntegerFromContent(std::span<const std::uint8_t> content);

void copyImprint(const TS_MSG_IMPRINT* imprint, TtiImprint& field);

// A general name as text: a directory name as "C=CZ, O=..., CN=..." (the
// order of the encoding), any other kind as OpenSSL prints it ("URI:...").
std::string generalNameText(const GENERAL_NAME* name);

}  // namespace tti
