// Binary data as text and back: Base64 (plain, or in certificate, request or
// CRL armour) and hexadecimal, as CryptBinaryToString and CryptStringToBinary
// write and read them.
#pragma once

#include "win32/types.h"

inline constexpr DWORD CRYPT_STRING_BASE64HEADER = 0x00000000;
inline constexpr DWORD CRYPT_STRING_BASE64 = 0x00000001;
inline constexpr DWORD CRYPT_STRING_BINARY = 0x00000002;
inline constexpr DWORD CRYPT_STRING_BASE64REQUESTHEADER = 0x00000003;
inline constexpr DWORD CRYPT_STRING_HEX = 0x00000004;
inline constexpr DWORD CRYPT_STRING_BASE64_ANY = 0x00000006;
inline constexpr DWORD CRYPT_STRING_ANY = 0x00000007;
inline constexpr DWORD CRYPT_STRING_BASE64X509CRLHEADER = 0x00000009;
inline constexpr DWORD CRYPT_STRING_HEXRAW = 0x0000000C;
inline constexpr DWORD CRYPT_STRING_NOCRLF = 0x40000000;
inline constexpr DWORD CRYPT_STRING_NOCR = 0x80000000;

// Null pszString: *pcchString receives the size with the NUL. Otherwise the
// text is written with its NUL and *pcchString receives its length without
// the NUL; a short buffer fails with ERROR_MORE_DATA and the needed size.
// Every format but a NOCRLF one ends with a line break (CR LF, or LF with
// NOCR). Base64 lines hold 64 characters; hex lines 16 bytes.
BOOL CryptBinaryToStringA(const BYTE* pbBinary, DWORD cbBinary, DWORD dwFlags, LPSTR pszString,
                          DWORD* pcchString) noexcept;
BOOL CryptBinaryToStringW(const BYTE* pbBinary, DWORD cbBinary, DWORD dwFlags, LPWSTR pszString,
                          DWORD* pcchString) noexcept;

// cchString 0: the text is NUL-terminated. Null pbBinary: *pcbBinary receives
// the size. pdwSkip receives the characters before the data (the text before
// a "-----BEGIN" line), pdwFlags the format found for the _ANY kinds.
// Text that is not in the format fails with ERROR_INVALID_DATA.
BOOL CryptStringToBinaryA(LPCSTR pszString, DWORD cchString, DWORD dwFlags, BYTE* pbBinary, DWORD* pcbBinary,
                          DWORD* pdwSkip, DWORD* pdwFlags) noexcept;
BOOL CryptStringToBinaryW(LPCWSTR pszString, DWORD cchString, DWORD dwFlags, BYTE* pbBinary, DWORD* pcbBinary,
                          DWORD* pdwSkip, DWORD* pdwFlags) noexcept;
