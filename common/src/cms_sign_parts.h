// cms_sign_parts.h: the steps of signing a buffer that the cms_sign files
// share: the signature on certificate contexts, the policy's checks and
// demands, the signed attributes, and DER pieces made through
// CryptEncodeObject.
#pragma once

#include <string>
#include <vector>

#include "common/crypt_attr_encoder.h"
#include "common/sign_policy.h"
#include "win32/crypt_encode.h"

// TCryptoapi::SignBufferWithCert on certificate contexts: the signer's
// context must carry its key-provider property.
DWORD SignBufferToPKCS7DER(PCCERT_CONTEXT signer, const std::vector<PCCERT_CONTEXT>& certificates,
                           const std::string& hashOid, DWORD flags, const std::vector<BYTE>& data,
                           std::vector<BYTE>& out, const SignPolicyInfo* policy);

namespace cms_sign {

using Bytes = std::vector<BYTE>;

// The detached form and the hash, then the signer's certificate and every
// certificate above it in its chain, against the policy, before the key is
// used: 0, 3200, 3204, 3000 (a certificate cannot be described or the chain
// cannot be built) or 2.
DWORD CheckSignerAgainstPolicy(PCCERT_CONTEXT signer, const std::string& hashOid, DWORD flags,
                               const SignPolicyInfo& policy);
// The attribute flags of the signed attributes the policy mandates.
DWORD PolicyAttributeFlags(const SignPolicyInfo& policy);

// The signed attributes the flags ask for, in the order signing time,
// signing certificate, signing certificate v2, signature-policy identifier;
// false at the first that cannot be built.
bool AddSignedAttributes(PCCERT_CONTEXT signer, DWORD flags, const SignPolicyInfo* policy, TCryptAttrEncoder& encoder);
// The SignaturePolicyId attribute of the policy; false when the policy
// lacks a part of it or a part does not encode.
bool AddSignaturePolicyId(const SignPolicyInfo& policy, TCryptAttrEncoder& encoder);

// CryptEncodeObject (X.509 and PKCS#7) by its two calls; false with the
// thread's last error.
bool Encode(LPCSTR structType, const void* info, Bytes& out);

// An X509_SEQUENCE_OF_ANY record over its own copies of complete encodings.
class SequenceOfAny {
public:
    explicit SequenceOfAny(std::vector<Bytes> elements);
    SequenceOfAny(const SequenceOfAny&) = delete;
    SequenceOfAny& operator=(const SequenceOfAny&) = delete;
    const CRYPT_SEQUENCE_OF_ANY* get() const noexcept { return &m_sequence; }

private:
    std::vector<Bytes> m_elements;
    std::vector<CRYPT_DER_BLOB> m_blobs;
    CRYPT_SEQUENCE_OF_ANY m_sequence{};
};

// The SEQUENCE of the encodings.
bool EncodeSequence(std::vector<Bytes> elements, Bytes& out);

}  // namespace cms_sign
