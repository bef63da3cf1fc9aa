// The RFC 3125 signature-policy decoder: a policy file in DER into a
// SignPolicyInfo, with the hash computed over it; and the readers of the
// parts of a signed message's signature-policy-identifier attribute
// (SignaturePolicyId), which the PKCS#7 reader puts into a SignPolicyId.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "common/sign_policy.h"
#include "win32/types.h"

// The signature-policy identifier of a signed message.
struct SignPolicyId {
    std::string policyOid;
    std::string uri;  // of an SPuri qualifier
    std::string noticeOrganization;
    std::string noticeNumbers;  // in decimal, one after the other
    std::string explicitText;
    std::string hashAlgOid;
    std::string hashText;  // "A1B2 C3D4 ..."
    std::vector<BYTE> attributeValue;  // the whole attribute value, kept by the message reader
};

class TSignPolicyDecoder {
public:
    using Der = std::span<const BYTE>;

    virtual ~TSignPolicyDecoder() = default;

    // Fills a new or cleared record from a whole SignaturePolicy. False when
    // the policy is not one, when its hash algorithm is unknown or cannot
    // be computed, or when a part that must decode does not; the record
    // then holds what was read before. Stored and computed hash are both
    // kept and not compared: that is the caller's judgement.
    bool Decode(Der policy, SignPolicyInfo& info) const;

    // SignPolicyId: the OID of an OBJECT IDENTIFIER element.
    bool DecodePolicyOid(Der element, SignPolicyId& id) const;
    // The OID that opens a SEQUENCE (a policy information's identifier).
    bool DecodeFirstOid(Der sequence, std::string& oid) const;
    // The OID of an AlgorithmIdentifier.
    bool DecodeAlgorithmOid(Der algorithm, std::string& oid) const;
    // OtherHashAlgAndValue: the hash algorithm and the hash text.
    bool DecodePolicyHash(Der element, SignPolicyId& id) const;
    // SigPolicyQualifiers: the URI of an SPuri, the notice reference and
    // explicit text of an SPUserNotice. The result is the last qualifier's.
    bool DecodePolicyQualifiers(Der element, SignPolicyId& id) const;
};

// Decode with a decoder of its own.
bool DecodeSignPolicyBuffer(const BYTE* bytes, DWORD length, SignPolicyInfo& info);
