// Byte strings of the message and provider tests: text as bytes and back,
// and the OIDs the tests look for in messages and policies.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"

namespace byte_strings {

using Bytes = std::vector<BYTE>;

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline std::string textOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

inline constexpr char kSha1[] = "1.3.14.3.2.26";
inline constexpr char kSha256[] = "2.16.840.1.101.3.4.2.1";
inline constexpr char kContentType[] = "1.2.840.113549.1.9.3";
inline constexpr char kMessageDigest[] = "1.2.840.113549.1.9.4";
inline constexpr char kSigningTime[] = "1.2.840.113549.1.9.5";
inline constexpr char kSigningCertificate[] = "1.2.840.113549.1.9.16.2.12";
inline constexpr char kTimeStampToken[] = "1.2.840.113549.1.9.16.2.14";
inline constexpr char kSignaturePolicyId[] = "1.2.840.113549.1.9.16.2.15";
inline constexpr char kSigningCertificateV2[] = "1.2.840.113549.1.9.16.2.47";

}  // namespace byte_strings
