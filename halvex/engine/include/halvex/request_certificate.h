// What the request model keeps of the certificate being renewed: its
// subject, its subject-alternative names and its extended key usages, each
// a list of attributes that the renewal handlers fill and the model's rules
// edit in place, and the certificate as PEM text, which signs the request.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"

namespace halvex {

// The string type the model gives every attribute it adds (UTF8String).
inline constexpr DWORD kUtf8StringType = 13;

// One attribute: an OID (for an alternative name the number of its name
// choice, or the type OID of an other name), the value's string type and
// the value.
struct RequestAttr {
    std::u16string oid;
    DWORD stringType = 0;
    std::u16string value;

    bool operator==(const RequestAttr&) const = default;
};

using RequestAttrs = std::vector<RequestAttr>;

struct RequestCertificate {
    RequestAttrs subject;
    RequestAttrs altNames;
    RequestAttrs extKeyUsage;
    std::u16string pem;  // the certificate itself, which signs the renewal request
    // Given name and surname as the applicant typed them on the data page.
    std::u16string givenName;
    std::u16string surname;
};

}  // namespace halvex
