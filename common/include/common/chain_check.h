// Checks of single certificates: the flags that ask for a chain check, and
// the subject checks of CertVerifySubjectCertificateContext. The chain check
// itself, its status texts and its error numbers are TCryptoapi's
// (cryptoapi.h).
#pragma once

#include <vector>

#include "win32/crypt_store.h"

// Check flags of TCryptoapi::CheckChain and TCryptoapi::VerifyMessage.
inline constexpr DWORD kCheckTimeValid = 1;    // the signer's certificate is valid now
inline constexpr DWORD kCheckChain = 2;        // chain check; with kCheckRevocation, revocation too
inline constexpr DWORD kCheckRevocation = 4;   // chain check; with kCheckChain, revocation too
inline constexpr DWORD kCheckSigningCert = 16; // the signing-certificate attribute names the signer's certificate

// True when CertVerifySubjectCertificateContext runs and clears every flag
// asked for (CERT_STORE_TIME_VALIDITY_FLAG, CERT_STORE_SIGNATURE_FLAG with
// an issuer); false for a null subject.
bool VerifySubjectCertificate(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer, DWORD flags);
// The same from encoded certificates; an empty issuer is none. False when a
// given certificate does not decode.
bool VerifyCertificateDer(const std::vector<BYTE>& subject, const std::vector<BYTE>& issuer, DWORD flags);
bool VerifyCertificate(const std::vector<BYTE>& der, DWORD flags);

struct CertInfo;
// The root (last element) of the certificate's chain at checkTime (null:
// now) with issuers also looked for in additionalStore; false when no chain
// can be built or the root cannot be described.
bool ChainRootOf(PCCERT_CONTEXT context, HCERTSTORE additionalStore, const FILETIME* checkTime, CertInfo& out);
