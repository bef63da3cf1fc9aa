// The check of a signature by a public key, for certificates, CRLs and
// messages alike: the one place the store area uses OpenSSL. RSA with
// PKCS #1 v1.5 padding, RSASSA-PSS and ECDSA (DER Ecdsa-Sig-Value, any curve
// OpenSSL knows). Old material (MD5, SHA-1, 1024-bit keys) must still
// verify, so no security level is applied.
#pragma once

#include <string_view>

#include "store/bytes.h"

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

// A signature over signedBytes, hashed with the algorithm's hash.
// `signature` is big-endian, as it stands in the DER.
SignatureCheck checkSignature(const SignatureAlgorithm& algorithm, View signedBytes, View signature,
                              View subjectPublicKeyInfo);
// A signature over a hash computed elsewhere with the algorithm's hash.
SignatureCheck checkSignatureOfHash(const SignatureAlgorithm& algorithm, View hash, View signature,
                                    View subjectPublicKeyInfo);

// checkSignature that verifies.
inline bool signatureVerifies(const SignatureAlgorithm& algorithm, View signedBytes, View signature,
                              View subjectPublicKeyInfo) {
    return checkSignature(algorithm, signedBytes, signature, subjectPublicKeyInfo) == SignatureCheck::Verifies;
}

// The size in bits of the key in a DER SubjectPublicKeyInfo (an EC key's
// curve size, an RSA-PSS key's modulus); 0 for a key OpenSSL cannot read.
DWORD keyBitsOf(View subjectPublicKeyInfo);

}  // namespace platform::crypt::store
