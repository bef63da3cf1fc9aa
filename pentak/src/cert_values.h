// The values of a certificate's description as the session hands them out
// (GetCertVal and the certificate's XML document): serial numbers, dates
// in compact and locale forms, day counts, identifiers, lists and the key.
#pragma once

#include <string>

#include "key_records.h"
#include "win32/types.h"

// The kinds of values (the type library's sgCertInfoTypes).
enum CertValueKind : LONG {
    kCertSerialDecimal = 1,
    kCertSerialHex = 2,
    kCertKeyLength = 3,
    kCertPairNumber = 4,
    kCertNotBefore = 5,          // 5 to 10: compact, long and short forms,
    kCertNotBeforeLast = 10,     // each in UTC and then in local time
    kCertNotAfter = 11,          // 11 to 16: the same for the end
    kCertSubjectKeyId = 17,
    kCertAuthorityKeyId = 18,
    kCertSignatureAlgOid = 19,
    kCertProviderName = 20,
    kCertProviderType = 21,
    kCertKeySpec = 22,
    kCertContainerName = 23,
    kCertQcStatements = 24,
    kCertPolicies = 25,
    kCertKeyUsage = 26,
    kCertXml = 27,
    kCertXmlBase64 = 28,
    kCertTimeValid = 29,
    kCertDaysToNotAfter = 30,
    kCertDaysFromNotBefore = 31,
    kCertSubjectDn = 32,
    kCertCardNumber = 33,
};

// Offsets of a date's six forms from its first kind.
inline constexpr LONG kDateCompact = 0, kDateLocalCompact = 1, kDateLong = 2, kDateLocalLong = 3, kDateShort = 4,
                      kDateLocalShort = 5;

// The text of the kind for the certificate, now being the current time
// (UTC); the key kinds read key, the others ignore it. False with the
// thread's last error set: CRYPT_E_UNKNOWN_ALGO without a signature
// algorithm, the locale functions' error, 50 for the XML kinds and any
// kind outside 1 to 33.
bool CertValueText(const CertInfo& info, const CertKeyInfo& key, LONG kind, const FILETIME& now,
                   std::u16string& out);
