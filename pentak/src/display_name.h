// The display text of a certificate ("CN [yyyy-mm-dd][SERIAL](issuer CN)")
// and the hexadecimal text it writes the serial number in.
#pragma once

#include <string>

#include "win32/crypt_store.h"

// Flags of the hexadecimal text.
inline constexpr DWORD kHexLowerCase = 1;
inline constexpr DWORD kHexSeparatorGiven = 2;  // the separator is bits 24 to 31 (else a blank)
inline constexpr DWORD kHexGroupSizeGiven = 4;  // the group size is bits 16 to 23 (else 2; 0: one group)
inline constexpr DWORD kHexPrefixGroups = 8;    // "0x" before every group
inline constexpr DWORD kHexLastByteFirst = 16;  // the bytes from the last to the first

// Two digits a byte, in groups with a separator between them.
std::u16string HexText(const BYTE* bytes, DWORD count, DWORD flags);

// The same into a buffer of *length characters. The length needed counts
// the terminating NUL (so it is at least 1): without a buffer, or with a
// shorter one, it is stored and nothing is written (false). Otherwise the
// text and its NUL are written and *length receives the text's length.
bool HexTextToBuffer(const BYTE* bytes, DWORD count, char16_t* buffer, DWORD* length, DWORD flags);

// The certificate's display text by the same rule: with no buffer or a
// length of 0 the needed length is stored (true); with a short buffer it is
// stored too (false); otherwise the text is written (true). False as well
// when the certificate's validity starts outside the years 1000 to 9999.
bool FormatCertDisplayName(PCCERT_CONTEXT certificate, char16_t* buffer, DWORD* length);
