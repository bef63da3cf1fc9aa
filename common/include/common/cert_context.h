// Between description records and certificate contexts: a record from PEM
// text, a context from a record, and equality of the certificates behind
// records and contexts.
#pragma once

#include <string>

#include "common/cert_info.h"
#include "win32/crypt_types.h"

// Removes the armour, decodes the Base64 and fills the record from the DER;
// 0 on any failure.
DWORD CertInfoFromPem(const std::string& pem, CertInfo& out);

// A context from the record's der, or else from its pem, with the record's
// key-provider data set on it (also when those fields are empty); null when
// the record holds no certificate. The caller frees the context.
PCCERT_CONTEXT CertContextFromInfo(const CertInfo& info);

// Nonzero when both certificates exist and have the same issuer and serial
// number.
DWORD CertInfoEquals(const CertInfo& a, const CertInfo& b);
DWORD CertInfoEquals(const CertInfo& a, PCCERT_CONTEXT b);
