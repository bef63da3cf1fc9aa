// The flags and error numbers of TCryptoapi's signing, time-stamp and
// encryption members (cryptoapi.h). Numbers are message 10000 + number.
#pragma once

#include "win32/types.h"

// Signing flags: the form of the message and the signed attributes asked
// for. A signature policy may add the attribute bits on its own.
inline constexpr DWORD kSignDetached = 1;        // the content is left out of the message
inline constexpr DWORD kSignSigningTime = 2;     // signingTime, now
inline constexpr DWORD kSignSigningCert = 4;     // ESS SigningCertificate, SHA-1
inline constexpr DWORD kSignPolicyId = 8;        // SignaturePolicyId of the policy
inline constexpr DWORD kSignSigningCertV2 = 32;  // ESS SigningCertificateV2, SHA-256

inline constexpr DWORD kErrSignNoMemory = 2;
inline constexpr DWORD kErrSignCancelled = 12;   // the PIN prompt was cancelled
inline constexpr DWORD kErrSignAttributes = 31;  // "ASN.1 encoding error."
inline constexpr DWORD kErrSignHashAlgorithm = 50;
inline constexpr DWORD kErrSignPrivateKey = 501;  // any other failure of the signature
inline constexpr DWORD kErrSignNoMessage = 504;
inline constexpr DWORD kErrSignAddAttribute = 506;
inline constexpr DWORD kErrSignCertificate = 3000;  // no context, or the signer cannot be described
inline constexpr DWORD kErrEncryption = 3030;
inline constexpr DWORD kErrSignPinBlocked = 3101;
inline constexpr DWORD kErrSignWrongPin = 3102;
inline constexpr DWORD kErrSignPolicy = 3200;             // the policy refuses the hash or the form
inline constexpr DWORD kErrSignCertificatePolicy = 3204;  // the policy refuses a certificate of the chain
