// Names as text: CertNameToStr (an encoded name to "CN=..., O=..."),
// CertStrToName (the reverse) and CertRDNValueToStr (one value), with the
// formats, separators and quoting rules of CryptoAPI.
#pragma once

#include "win32/crypt_encode.h"

inline constexpr DWORD CERT_SIMPLE_NAME_STR = 1;  // values only
inline constexpr DWORD CERT_OID_NAME_STR = 2;     // "2.5.4.3=value"
inline constexpr DWORD CERT_X500_NAME_STR = 3;    // "CN=value", unknown OIDs as "OID.1.2.3=value"

inline constexpr DWORD CERT_NAME_STR_SEMICOLON_FLAG = 0x40000000;
inline constexpr DWORD CERT_NAME_STR_NO_PLUS_FLAG = 0x20000000;
inline constexpr DWORD CERT_NAME_STR_NO_QUOTING_FLAG = 0x10000000;
inline constexpr DWORD CERT_NAME_STR_CRLF_FLAG = 0x08000000;
inline constexpr DWORD CERT_NAME_STR_COMMA_FLAG = 0x04000000;
inline constexpr DWORD CERT_NAME_STR_REVERSE_FLAG = 0x02000000;
inline constexpr DWORD CERT_NAME_STR_FORWARD_FLAG = 0x01000000;
inline constexpr DWORD CERT_NAME_STR_DISABLE_IE4_UTF8_FLAG = 0x00010000;
inline constexpr DWORD CERT_NAME_STR_ENABLE_T61_UNICODE_FLAG = 0x00020000;
inline constexpr DWORD CERT_NAME_STR_ENABLE_UTF8_UNICODE_FLAG = 0x00040000;
inline constexpr DWORD CERT_NAME_STR_FORCE_UTF8_DIR_STR_FLAG = 0x00080000;
inline constexpr DWORD CERT_NAME_STR_DISABLE_UTF8_DIR_STR_FLAG = 0x00100000;

// Returns the characters written or needed, the NUL included; at least 1
// (an empty text) even when the name does not decode. A short buffer gets
// the text cut and NUL-terminated.
DWORD CertNameToStrA(DWORD dwCertEncodingType, const CERT_NAME_BLOB* pName, DWORD dwStrType, LPSTR psz,
                     DWORD csz) noexcept;
DWORD CertNameToStrW(DWORD dwCertEncodingType, const CERT_NAME_BLOB* pName, DWORD dwStrType, LPWSTR psz,
                     DWORD csz) noexcept;

// CERT_OID_NAME_STR or CERT_X500_NAME_STR with the flags above. A malformed
// text fails with CRYPT_E_INVALID_X500_STRING and *ppszError at the fault;
// a value its type cannot hold with CRYPT_E_INVALID_*_STRING. *ppszError is
// null after success.
BOOL CertStrToNameA(DWORD dwCertEncodingType, LPCSTR pszX500, DWORD dwStrType, void* pvReserved, BYTE* pbEncoded,
                    DWORD* pcbEncoded, LPCSTR* ppszError) noexcept;
BOOL CertStrToNameW(DWORD dwCertEncodingType, LPCWSTR pszX500, DWORD dwStrType, void* pvReserved, BYTE* pbEncoded,
                    DWORD* pcbEncoded, LPCWSTR* ppszError) noexcept;

// One value of a decoded name (X509_NAME) as text; the same size rule as
// CertNameToStr.
DWORD CertRDNValueToStrA(DWORD dwValueType, const CERT_RDN_VALUE_BLOB* pValue, LPSTR psz, DWORD csz) noexcept;
DWORD CertRDNValueToStrW(DWORD dwValueType, const CERT_RDN_VALUE_BLOB* pValue, LPWSTR psz, DWORD csz) noexcept;
