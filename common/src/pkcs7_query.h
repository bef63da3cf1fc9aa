// pkcs7_query.h: what the parts of the PKCS#7 reader share: its error
// numbers, CryptMsgGetParam by its two calls, and the guard that turns a
// failed allocation into error 2.
#pragma once

#include <new>
#include <vector>

#include "common/decoded_object.h"
#include "win32/crypt_msg.h"

namespace pkcs7 {

inline constexpr DWORD kErrNoMemory = 2;
inline constexpr DWORD kErrBase64 = 4;
inline constexpr DWORD kErrEmptyText = 7;
inline constexpr DWORD kErrNullSize = 30;  // "The passed string is of the null size."
inline constexpr DWORD kErrAsn1 = 32;      // "ASN.1 decoding error."
inline constexpr DWORD kErrBadFormat = 503;
inline constexpr DWORD kErrCannotOpen = 504;  // also: no message open
inline constexpr DWORD kErrQuery = 505;
inline constexpr DWORD kErrAttributeNotFound = 508;  // "The attribute of signer not found."
inline constexpr DWORD kErrSigningCertNotFound = 509;
inline constexpr DWORD kErrSigningCertTwice = 515;
inline constexpr DWORD kErrTimestampNotFound = 904;  // "Timestamp not found."
inline constexpr DWORD kErrSignerNotFound = 1023;    // "Cannot find the original signer."
inline constexpr DWORD kErrAlgorithm = 1024;         // "Algorithm not supported."
inline constexpr DWORD kErrNoSignPolicy = 3201;      // "There is no sign policy."

inline constexpr char kSigningTimeOid[] = "1.2.840.113549.1.9.5";
inline constexpr char kSigningCertificateOid[] = "1.2.840.113549.1.9.16.2.12";
inline constexpr char kSigningCertificateV2Oid[] = "1.2.840.113549.1.9.16.2.47";
inline constexpr char kTimeStampTokenOid[] = "1.2.840.113549.1.9.16.2.14";
inline constexpr char kSignPolicyIdOid[] = "1.2.840.113549.1.9.16.2.15";
inline constexpr char kSha256Oid[] = "2.16.840.1.101.3.4.2.1";

// The parameter's bytes, or a record aligned for reading; false, with the
// thread's last error, when either call fails.
bool QueryBytes(HCRYPTMSG message, DWORD param, DWORD index, std::vector<BYTE>& out);
bool QueryRecord(HCRYPTMSG message, DWORD param, DWORD index, RecordBuffer& out);

// The body's result, or 2 when memory runs out on the way.
template <class Body>
DWORD Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kErrNoMemory;
    }
}

}  // namespace pkcs7
