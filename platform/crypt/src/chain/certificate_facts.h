// What the chain engine reads from one certificate's extensions, decoded
// once through CryptDecodeObjectEx.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/bytes.h"
#include "win32/crypt_encode.h"

namespace platform::crypt::chain {

using store::Bytes;
using store::View;

struct AuthorityKeyId {
    Bytes keyId;         // empty when absent
    Bytes issuerName;    // the first directory name of the issuer field; empty when absent
    Bytes issuerSerial;  // little-endian
};

struct CertificateFacts {
    std::optional<CERT_BASIC_CONSTRAINTS2_INFO> basicConstraints;
    std::optional<BYTE> keyUsage;  // the first byte of the bits
    std::optional<AuthorityKeyId> authorityKeyId;
    // The subject key identifier, else the SHA-1 of the public key's bits
    // (RFC 5280 section 4.2.1.2, method 1), as issuers' AKIs name them.
    Bytes keyId;
    std::vector<std::string> crlUrls;  // full-name URLs of every point, in order
    // Enhanced key usages of CertGetEnhancedKeyUsage; nullopt: good for all.
    std::optional<std::vector<std::string>> usages;
    // An extension the engine reads does not decode, or one marked critical
    // is not understood.
    bool invalidExtension = false;
};

CertificateFacts factsOf(PCCERT_CONTEXT cert);

}  // namespace platform::crypt::chain
