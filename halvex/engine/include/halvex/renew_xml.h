// The renewal-request document: the XML text one renewal request leaves the
// program as, before it is signed.
#pragma once

#include <string_view>

#include "halvex/request_model.h"

namespace halvex {

// Writes the request's document into its xmlDocument field, replacing what
// was there: the Base64 PKCS#10 text, the card number and the challenge
// password when given, the billing type of the kind word, the delivery
// form, and, for the primary request of a renewal (secondary false), the
// applicant's declarations with the identifier summary when the applicant
// adds an identifier the certificate does not carry. Tab-indented, LF line
// ends, no line feed after the last tag. Values are escaped as XML text.
// False, with the field unchanged, when a value holds a character XML
// cannot carry (a control character other than tab, LF and CR, or a lone
// surrogate).
bool BuildRequestXml(TCertRequest& request, bool secondary);

// Whether XML text can carry every character: no control character other
// than tab, LF and CR, no lone surrogate, neither U+FFFE nor U+FFFF.
bool IsXmlText(std::u16string_view text);

// The billing-type word of a request-kind word ("S-PV", "S-PE", "Q-MA-SK",
// "Q-PV-SK" or "Q-PE-SK").
const char* BillingType(DWORD kind);

}  // namespace halvex
