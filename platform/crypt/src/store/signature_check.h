// The check of a signature by a public key, for certificates, CRLs and
// messages alike: the one place the store area uses OpenSSL. RSA with
// PKCS #1 v1.5 padding, RSASSA-PSS and ECDSA (DER Ecdsa-Sig-Value, any curve
// OpenSSL knows). Old material (MD5, SHA-1, 1024-bit keys) must still
// verify, so no security level is applied.
#pragma once

#include <string_view>

#include "store/bytes.h"
#include "win32/crypt_types.h"

namespace platform::crypt::store {

// An AlgorithmIdentifier of a signature: its OID and the DER of its
// parameters (empty when absent). Only RSASSA-PSS reads its parameters.
struct SignatureAlgorithm {
    std::string_view oid;
    View parameters;
};

enum class SignatureCheck {
    Verifies,
    // The signature does not verify, or the key does not decode.
    Fails,
    // An algorithm not named above, parameters that do not read or are not
    // supported, or a key of another kind than the algorithm's.
    UnknownAlgorithm,
};

// Keys are read as they were decoded: parameters left out stay out (an
// RSA-PSS key without restrictions has none, and NULL ones would not read).

// A signature over signedBytes, hashed with the algorithm's hash.
// `signature` is big-endian, as it stands in the DER.
SignatureCheck checkSignature(const SignatureAlgorithm& algorithm, View signedBytes, View signature,
                              const CERT_PUBLIC_KEY_INFO& key);
// A signature over a hash computed elsewhere with the algorithm's hash.
SignatureCheck checkSignatureOfHash(const SignatureAlgorithm& algorithm, View hash, View signature,
                                    const CERT_PUBLIC_KEY_INFO& key);

// checkSignature that verifies.
inline bool signatureVerifies(const SignatureAlgorithm& algorithm, View signedBytes, View signature,
                              const CERT_PUBLIC_KEY_INFO& key) {
    return checkSignature(algorithm, signedBytes, signature, key) == SignatureCheck::Verifies;
}

// The size in bits of the key (an EC key's curve size, an RSA-PSS key's
// modulus); 0 for a key OpenSSL cannot read.
DWORD keyBitsOf(const CERT_PUBLIC_KEY_INFO& key);

}  // namespace platform::crypt::store
