// The built-in OID-information records of the SHA-2 algorithms, which
// systems older than CryptoAPI's SHA-2 support do not know: six rows of the
// signature group (the three hashes without a signature, then the three RSA
// signatures) and three of the hash group. The algorithm translations fall
// back on them, and the enrolment library registers them.
#pragma once

#include <string>
#include <vector>

#include "win32/crypt_oid.h"

const std::vector<CRYPT_OID_INFO>& Sha2SignatureOidRows();
const std::vector<CRYPT_OID_INFO>& Sha2HashOidRows();
// The first row of the OID: among the signature rows for group 0 or 4, then
// among the hash rows for group 0 or 1; null when none has it.
const CRYPT_OID_INFO* FindSha2OidRow(const std::string& oid, DWORD group);
