// The decoded RFC 3125 signature policy: SignPolicyInfo and the records of
// its rule blocks, mirroring SignaturePolicy, SignPolicyInfo, CommonRules,
// SignerAndVerifierRules, CertificateTrustTrees and the rest. Besides the
// decoded values the record keeps the DER of some elements, the hash stored
// in the policy and the hash computed over it, and the policy's texts in the
// ANSI code page. Every record is a value: copies are deep, Clear restores
// the defaults a new record has (several of them -1 or 1, not 0).
#pragma once

#include <string>
#include <vector>

#include "common/rdn_attr.h"
#include "win32/types.h"

// Gives a record the reset the policy model asks of every record: back to
// the values of a freshly constructed one.
template <class Record>
struct PolicyRecord {
    void Clear() { static_cast<Record&>(*this) = Record{}; }
};

// SignerAndVerifierRules::externalSignedData.
inline constexpr DWORD kExternalSignedDataAbsent = 0;
inline constexpr DWORD kExternalSignedDataFalse = 1;
inline constexpr DWORD kExternalSignedDataTrue = 2;

// CertRefReq and CertInfoReq.
inline constexpr DWORD kCertInfoNone = 0;
inline constexpr DWORD kCertSignerOnly = 1;
inline constexpr DWORD kCertFullPath = 2;

// SignPolExtn: the extension's OID and the contents of extnValue.
struct PolicyExtension : PolicyRecord<PolicyExtension> {
    std::string oid;
    std::vector<BYTE> value;
};

// GeneralSubtree. The base GeneralName fills the one field of its choice.
struct PolicyNameSubtree : PolicyRecord<PolicyNameSubtree> {
    std::vector<BYTE> baseDer;
    std::string rfc822Name;
    std::string dnsName;
    std::vector<TRDNAttr> directoryNameAttrs;
    std::string directoryName;  // X.500 text
    std::string uri;
    std::string registeredId;   // OID text
    DWORD minimum = 0;
    DWORD maximum = 0;          // 0 when absent
};

struct PolicyNameConstraints : PolicyRecord<PolicyNameConstraints> {
    std::vector<PolicyNameSubtree> permitted;
    std::vector<PolicyNameSubtree> excluded;
};

// CertificateTrustPoint.
struct PolicyTrustPoint : PolicyRecord<PolicyTrustPoint> {
    std::vector<BYTE> certificate;  // the whole DER of trustpoint
    INT pathLength = -1;            // -1: absent
    std::vector<std::string> acceptablePolicies;
    PolicyNameConstraints nameConstraints;
    INT requireExplicitPolicy = -1;  // SkipCerts; -1: absent
    INT inhibitPolicyMapping = -1;
};

// EnuRevReq.
inline constexpr DWORD kRevReqCrlCheck = 0;
inline constexpr DWORD kRevReqOcspCheck = 1;
inline constexpr DWORD kRevReqBothCheck = 2;
inline constexpr DWORD kRevReqEitherCheck = 3;
inline constexpr DWORD kRevReqNoCheck = 4;
inline constexpr DWORD kRevReqOther = 5;

// RevReq.
struct PolicyRevReq : PolicyRecord<PolicyRevReq> {
    DWORD requirement = kRevReqCrlCheck;
    std::vector<PolicyExtension> other;  // exRevReq
};

// CertRevReq.
struct PolicyCertRevReq : PolicyRecord<PolicyCertRevReq> {
    PolicyRevReq endCertificate;
    PolicyRevReq caCertificates;
};

// DeltaTime.
struct PolicyDeltaTime : PolicyRecord<PolicyDeltaTime> {
    DWORD present = 0;
    INT seconds = 0;
    INT minutes = 0;
    INT hours = 0;
    INT days = 0;
};

// AlgAndLength.
struct PolicyAlgAndLength : PolicyRecord<PolicyAlgAndLength> {
    std::string algorithm;   // OID text
    DWORD minKeyLength = 0;  // bits; 0 when absent
    std::vector<PolicyExtension> other;
};

// AttributeTypeAndValue: the value's contents, without tag and length.
struct PolicyAttrValue : PolicyRecord<PolicyAttrValue> {
    std::string type;
    std::vector<BYTE> value;
};

struct SignerAndVerifierRules : PolicyRecord<SignerAndVerifierRules> {
    DWORD externalSignedData = kExternalSignedDataAbsent;
    DWORD mandatedSignedAttrsPresent = 0;
    std::vector<std::string> mandatedSignedAttrs;
    DWORD mandatedUnsignedAttrsPresent = 0;
    std::vector<std::string> mandatedUnsignedAttrs;
    DWORD mandatedCertificateRef = kCertSignerOnly;
    DWORD mandatedCertificateInfo = kCertInfoNone;
    std::vector<PolicyExtension> signerExtensions;
    DWORD verifierUnsignedAttrsPresent = 0;
    std::vector<std::string> verifierUnsignedAttrs;
    std::vector<PolicyExtension> verifierExtensions;
};

struct SigningCertTrustCondition : PolicyRecord<SigningCertTrustCondition> {
    std::vector<PolicyTrustPoint> trustTrees;
    PolicyCertRevReq revocation;
};

struct TimestampTrustCondition : PolicyRecord<TimestampTrustCondition> {
    std::vector<PolicyTrustPoint> trustTrees;
    PolicyCertRevReq revocation;
    PolicyNameConstraints nameConstraints;
    PolicyDeltaTime cautionPeriod;
    PolicyDeltaTime signatureTimestampDelay;
};

// HowCertAttribute.
inline constexpr INT kHowCertAbsent = -1;
inline constexpr INT kHowCertClaimed = 0;
inline constexpr INT kHowCertCertified = 1;
inline constexpr INT kHowCertEither = 2;

struct AttributeTrustCondition : PolicyRecord<AttributeTrustCondition> {
    DWORD attributeMandated = 0;
    INT howCertified = kHowCertAbsent;
    std::vector<PolicyTrustPoint> trustTrees;
    PolicyCertRevReq revocation;
    std::vector<std::string> attributeTypes;
    std::vector<PolicyAttrValue> attributeValues;
};

struct AlgorithmConstraintSet : PolicyRecord<AlgorithmConstraintSet> {
    std::vector<PolicyAlgAndLength> signer;
    std::vector<PolicyAlgAndLength> endEntity;
    std::vector<PolicyAlgAndLength> ca;
    std::vector<PolicyAlgAndLength> attributeAuthority;
    std::vector<PolicyAlgAndLength> timestampAuthority;
};

// CommonRules; an absent part keeps its defaults.
struct PolicyCommonRules : PolicyRecord<PolicyCommonRules> {
    SignerAndVerifierRules signerAndVerifier;
    SigningCertTrustCondition signingCert;
    TimestampTrustCondition timestamp;
    AttributeTrustCondition attribute;
    AlgorithmConstraintSet algorithms;
    std::vector<PolicyExtension> extensions;
};

// Times are UTC; a zero FILETIME is an absent time.
struct SignPolicyInfo : PolicyRecord<SignPolicyInfo> {
    DWORD reserved = 0;
    std::string policyOid;
    std::string hashAlgOid;
    std::string policyHashText;  // the stored hash, "A1B2 C3D4 ..."
    std::string issuerName;      // X.500 text of the first GeneralName
    std::string issuerSecondName;
    std::string fieldOfApplication;
    FILETIME dateOfIssue{};
    FILETIME signingNotBefore{};
    FILETIME signingNotAfter{};
    std::vector<BYTE> hashAlgDer;  // the TLV of signPolicyHashAlg
    std::vector<BYTE> storedHash;  // empty when the policy holds none
    std::vector<BYTE> computedHash;
    std::vector<BYTE> policyOidDer;
    std::vector<BYTE> policyDer;  // the whole policy as read
    std::vector<BYTE> fieldOfApplicationDer;
    std::vector<TRDNAttr> issuerNameAttrs;
    // One 0 per CommitmentRule whose first selected commitment type is a
    // recognizedCommitmentType rather than the empty NULL.
    std::vector<DWORD> recognisedCommitmentRules;
    std::vector<PolicyExtension> policyInfoExtensions;
    PolicyCommonRules commonRules;
    std::vector<PolicyExtension> validationPolicyExtensions;
};
