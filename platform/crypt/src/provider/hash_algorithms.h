// The hash algorithms the providers compute, and the DigestInfo that a
// PKCS #1 v1.5 signature wraps around each value.
#pragma once

#include <span>
#include <vector>

#include "win32/crypt_types.h"

namespace platform::crypt::provider {

struct HashAlgorithm {
    ALG_ID id;
    const char* opensslName;
    DWORD size;                          // bytes
    std::span<const BYTE> digestInfo;    // the DER before the value
};

// Null for an algorithm that is not computed here (MD2, MD4, MAC ...).
const HashAlgorithm* hashAlgorithm(ALG_ID id);

// DigestInfo ::= SEQUENCE { AlgorithmIdentifier, OCTET STRING value }.
std::vector<BYTE> digestInfoOf(const HashAlgorithm& algorithm, std::span<const BYTE> value);

}  // namespace platform::crypt::provider
