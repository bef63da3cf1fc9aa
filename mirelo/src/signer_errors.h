// The error numbers the signer records and returns. Each is also the row
// (10000 + number) of its text in the signing component's message table, so
// a number must never change once callers or scripts can see it.
#pragma once

#include "win32/types.h"

// General failures.
inline constexpr LONG kErrBase64 = 4;
inline constexpr LONG kErrBase64Decoding = 5;
inline constexpr LONG kErrInternal = 6;
inline constexpr LONG kErrHashFailed = 8;
inline constexpr LONG kErrNoGraphicalInterface = 9;
inline constexpr LONG kErrDialogFailed = 10;
inline constexpr LONG kErrUserRefused = 11;
inline constexpr LONG kErrUserCancelled = 12;
inline constexpr LONG kErrBadValue = 30;
inline constexpr LONG kErrConfigSignerUnreadable = 33;
inline constexpr LONG kErrConfigSignerUntrusted = 34;
inline constexpr LONG kErrHashNotSupported = 50;
inline constexpr LONG kErrCertificateNotFound = 51;
inline constexpr LONG kErrNoOriginalSigner = 1023;

// Time stamps. The time-stamp library's own status s is recorded as 700 - s.
inline constexpr LONG kErrTimeStampLibraryBase = 700;
inline constexpr LONG kErrTsaConnection = 751;
inline constexpr LONG kErrTokenHash = 900;
inline constexpr LONG kErrTokenNonce = 901;
inline constexpr LONG kErrTokenPolicy = 902;
inline constexpr LONG kErrTokenTime = 903;
inline constexpr LONG kErrTsaOutsidePolicy = 905;

// Certificates.
inline constexpr LONG kErrNotACertificate = 3000;
inline constexpr LONG kErrNoReader = 3003;
inline constexpr LONG kErrAuthCertNotSet = 3014;
inline constexpr LONG kErrTsaCertNotSet = 3015;
inline constexpr LONG kErrSignCertNotSet = 3024;
inline constexpr LONG kErrExchangeCertNotSet = 3025;
inline constexpr LONG kErrRecipientCertNotSet = 3026;
inline constexpr LONG kErrChainNotSet = 3027;
inline constexpr LONG kErrEncryptionAlgorithm = 3029;
// A certificate that is not on a secure signature-creation device, when no
// dialog may ask about it, fails with the "not set" number of its kind:
// callers already test for those.
inline constexpr LONG kErrAuthCertNotSscd = kErrAuthCertNotSet;
inline constexpr LONG kErrSignCertNotSscd = kErrSignCertNotSet;

// Signature policy.
inline constexpr LONG kErrPolicyUnusable = 3200;
inline constexpr LONG kErrNoPolicy = 3201;
inline constexpr LONG kErrPolicyUnreadable = 3202;
inline constexpr LONG kErrPolicyNotTimeValid = 3203;
inline constexpr LONG kErrPolicyRejectsCert = 3204;

// Providers and cards.
inline constexpr LONG kErrCspNotUsable = 5000;
inline constexpr LONG kErrNoCardStatus = 5009;

// Settings.
inline constexpr LONG kErrLanguageName = 7001;
inline constexpr LONG kErrLanguageNumber = 7002;
inline constexpr LONG kErrOutOfRange = 8004;

// Container files and their documents.
inline constexpr LONG kErrLoadingFile = 7101;
inline constexpr LONG kErrSavingFile = 7102;
inline constexpr LONG kErrFileExists = 7103;
inline constexpr LONG kErrMimeEncoding = 9201;
inline constexpr LONG kErrMimeDecoding = 9202;
// A container without a message document fails as its message would fail
// to decode.
inline constexpr LONG kErrNoMessage = kErrMimeDecoding;
inline constexpr LONG kErrFormatNotSupported = 9301;
inline constexpr LONG kErrTransforming = 9302;
inline constexpr LONG kErrAnalyzing = 9303;
inline constexpr LONG kErrIncorrectFormat = 9304;
inline constexpr LONG kErrPluginLoading = 9401;

// Trusted lists.
inline constexpr LONG kErrListUnusable = 9500;
inline constexpr LONG kErrNoTrustedList = 9501;
inline constexpr LONG kErrListUnreadable = 9502;
inline constexpr LONG kErrListVerification = 9503;
