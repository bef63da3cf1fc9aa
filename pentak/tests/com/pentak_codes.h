// The failures the Pentak object and its exported functions answer with,
// and the providers and algorithms their tests choose.
#pragma once

#include "win32/error_codes.h"

namespace pentak_test {

inline constexpr HRESULT kInvalidParameter = HRESULT_OF(0x80070057u);  // 87
inline constexpr HRESULT kNotSupported = HRESULT_OF(0x80070032u);      // 50: ERROR_NOT_SUPPORTED
inline constexpr HRESULT kCancelled = HRESULT_OF(0x800704C7u);         // 1223: ERROR_CANCELLED
inline constexpr HRESULT kNoAlgorithm = HRESULT_OF(0x80070777u);       // 1911: the OID names no algorithm
inline constexpr HRESULT kNoProvider = HRESULT_OF(0x80090013u);        // NTE_BAD_PROVIDER

inline constexpr char16_t kSoftwareProvider[] = u"Microsoft Enhanced Cryptographic Provider v1.0";
inline constexpr char16_t kAesProvider[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
inline constexpr char16_t kSha256WithRsa[] = u"1.2.840.113549.1.1.11";

}  // namespace pentak_test
