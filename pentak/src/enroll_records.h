// The records a session collects before it builds a request. Each owns its
// texts and bytes, so emptying a list frees them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win32/types.h"

// One RDN of the requested subject: OID, CryptoAPI value type (CERT_RDN_*)
// and the value's bytes.
struct SubjectAttribute {
    std::string oid;
    DWORD valueType = 0;
    std::vector<BYTE> value;
};

// One attribute of the request: OID and its DER-encoded values.
struct RequestAttribute {
    std::string oid;
    std::vector<std::vector<BYTE>> values;
};

// One requested alternative name: a CERT_ALT_NAME_* choice and the value
// that choice carries.
struct AltNameEntry {
    DWORD choice = 0;
    std::u16string text;      // RFC 822 name, DNS name, URL
    std::string oid;          // type of an other name, registered ID
    std::vector<BYTE> value;  // encoded value of an other name, IP address
};

// One requested extension: its criticality and, once stored, its DER value.
struct RequestedExtension {
    BOOL critical = FALSE;
    std::optional<std::vector<BYTE>> value;
};
