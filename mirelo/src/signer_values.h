// The value formatters of the signer: one field of a decoded record as text
// for a selector of the interface's enumerations. Each returns 0 with out
// set, or 30 for a selector outside its range with out unchanged.
//
// Times come in six consecutive selectors: compact UTC "YYYYMMDDhhmmss",
// the short and the long date and time of the user's locale, then the same
// three in local time (UtcToLocalAt). An absent time (the zero FILETIME) is the empty text.
#pragma once

#include <string>

#include "common/cert_info.h"
#include "common/sign_policy.h"
#include "common/sign_policy_decoder.h"
#include "win32/types.h"

// The fields of a time-stamp token, as the time-stamp selectors show them.
struct TimeStampRecord {
    std::string policyOid;
    std::string serial;  // upper-case hexadecimal, a blank between bytes
    std::string nonce;   // the same form
    std::string tsaName;  // X.500 text in the ANSI code page
    FILETIME time{};
    LONG version = 0;
    std::string imprintAlgOid;
    std::string imprintDigest;  // upper-case hexadecimal in groups of two bytes
    std::string signatureAlgOid;
    std::string signatureDigest;  // the same form
};

// The display name of a digest algorithm ("sha256"); empty when the system
// knows the OID as no digest.
std::string DigestAlgorithmName(const std::string& oid);

// The local time of a UTC file time with the zone's offset at that moment
// (summer or winter time as it was then, not as it is now).
FILETIME UtcToLocalAt(const FILETIME& utc);

// form 0-5: the six time forms in the order above.
std::string FormatTimeValue(const FILETIME& time, LONG form);

// Selectors 0-24: policy OID; date of issue, signing period start and end
// (six forms each); issuer; field of application; URI; policy-hash
// algorithm name and OID; the policy hash.
LONG FormatSignPolicyValue(const SignPolicyInfo& policy, LONG selector, std::string& out);

// Selectors 0-17: serial in decimal and hexadecimal; time (six forms);
// version; policy OID; nonce; TSA name; imprint algorithm name, OID and
// digest; signature digest algorithm name, OID and digest.
LONG FormatTimeStampValue(const TimeStampRecord& record, LONG selector, std::string& out);

// Selectors 0-22 of a certificate: serial in decimal (exact at any
// length) and as stored (lower-case hexadecimal); not before and not after
// (six forms each); key length in bits; the authority's request number
// (its own extension); subject and authority key identifiers (lower-case
// hexadecimal); subject and issuer as X.500 text; the signature's digest
// algorithm name and OID; the subject's common name.
LONG FormatCertificateValue(const CertInfo& certificate, LONG selector, std::string& out);

// Selectors 0-7 of a signer's policy identifier: policy OID; URI; notice
// organisation, numbers and text; digest algorithm name and OID; digest.
LONG FormatSignPolicyIdValue(const SignPolicyId& id, LONG selector, std::string& out);
