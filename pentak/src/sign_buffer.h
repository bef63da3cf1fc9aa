// Error numbers of TCryptoapi::SignBuffer and SignBufferToText.
#pragma once

#include "win32/types.h"

inline constexpr DWORD kSignBufferCancelled = 1002;      // the user cancelled the PIN entry
inline constexpr DWORD kSignBufferNoMemory = 1006;       // no room for the certificate list
inline constexpr DWORD kSignBufferNotText = 1031;        // the message cannot be Base64-encoded
inline constexpr DWORD kSignBufferWrongPin = 1051;       // a wrong PIN, or the key refused
inline constexpr DWORD kSignBufferNoCertificate = 1052;  // no signing certificate
inline constexpr DWORD kSignBufferFailed = 1053;         // any other failure
inline constexpr DWORD kSignBufferPinBlocked = 1059;     // the card's PIN is blocked
