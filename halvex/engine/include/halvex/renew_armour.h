// The armour around a signed renewal request, and certificate armour removal.
#pragma once

#include <string>
#include <string_view>

namespace halvex {

// "-----BEGIN Tesk Kyd-----\n" + body + "-----END Tesk Kyd-----\n". The body
// is not re-wrapped: one without a final line feed has the end line directly
// behind its last character.
std::u16string PemKydBlock(std::u16string_view body);

// The text without "-----BEGIN CERTIFICATE-----", "-----END CERTIFICATE-----",
// LF and CR, removed in that order: bare Base64 of a PEM certificate.
std::u16string StripCertificateArmour(std::u16string_view text);

}  // namespace halvex
