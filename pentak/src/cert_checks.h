// The certificate checks of enumeration and installation: validity and
// signature against an issuer, self-signed roots, issuer by name and key
// identifier, and the certificates a user may sign with.
#pragma once

#include "pem_certificates.h"
#include "win32/crypt_store.h"

// Whether every check that flags asks for (CERT_STORE_SIGNATURE_FLAG with
// the issuer's key, CERT_STORE_TIME_VALIDITY_FLAG now) passed; false for a
// null subject or when the checks cannot run.
bool VerifySubjectCertificate(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer, DWORD flags);

// Whether the certificate is self-signed: its own key verifies its
// signature and its issuer name is its subject name. Such CA certificates
// go to "Root", the others to "CA".
bool CompareCertificateNames(PCCERT_CONTEXT certificate);

// Whether ca issued the certificate: the certificate's issuer name is the
// CA's subject name and the key identifier of its authority key identifier
// is the CA's subject key identifier. False when either is missing or
// either extension is missing or does not decode.
bool IsIssuerOf(PCCERT_CONTEXT certificate, PCCERT_CONTEXT ca);

// Whether the user may use the certificate: valid now, its key named by its
// key-provider property, and, when the CA list restricts, issued by one of
// its certificates.
bool IsUsableCertificate(PCCERT_CONTEXT certificate, const CaRestriction& cas);
