// One SignerInfo being made (RFC 5652 section 5.3) as CryptoAPI makes it:
// version 1, issuerAndSerialNumber, the digest algorithm as given (NULL
// parameters when none), signed attributes only when the caller gives some
// (then with contentType and messageDigest added, the SET OF in DER order),
// the public key's algorithm as signature algorithm, the signature made by
// the signer's provider (little-endian there, big-endian here).
#pragma once

#include <optional>
#include <vector>

#include "msg/crypt_handles.h"
#include "msg/message_parts.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

class SignerEncoder {
public:
    // Everything the record points to is copied; the provider is borrowed.
    explicit SignerEncoder(const CMSG_SIGNER_ENCODE_INFO& info);

    void update(View content) { m_contentHash.update(content); }
    const Bytes& digestAlgorithm() const noexcept { return m_digestAlgorithm; }
    // After the last update. A placeholder signature of the signature's
    // length gives the size without using the key.
    Bytes encode(bool placeholderSignature);

private:
    Bytes signedAttributes();
    Bytes signatureWith(const HashHandle& hash, bool placeholder) const;

    HCRYPTPROV m_provider;
    DWORD m_keySpec;
    ALG_ID m_algorithm;
    Bytes m_issuerAndSerial;
    Bytes m_digestAlgorithm;
    Bytes m_signatureAlgorithm;
    std::vector<Bytes> m_authAttributes;  // the caller's, each encoded
    Bytes m_unauthAttributes;             // [1] IMPLICIT SET OF, or empty
    HashHandle m_contentHash;
    std::optional<Bytes> m_digest;
};

}  // namespace platform::crypt::msg
