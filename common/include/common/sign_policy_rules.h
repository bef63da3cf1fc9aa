// The rules that hold a signature against a signature policy. Each rule
// carries one fact about the signature being made or checked (the kind of
// signature, an attribute, the signer's algorithm, a certificate, a chain,
// a root) and compares it with one part of the policy; a rule that fails
// writes one line to the log at the error level.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/cert_info.h"
#include "common/sign_policy.h"
#include "win32/types.h"

// TSignerAttrCommonRule: the kind of attribute.
inline constexpr DWORD kSignedAttribute = 0;
inline constexpr DWORD kUnsignedAttribute = 1;

// TCertRootCommonRule and TCertPolicyCommonRule: whose trust trees.
inline constexpr DWORD kTrustSigner = 1;
inline constexpr DWORD kTrustTimestampAuthority = 2;
inline constexpr DWORD kTrustAttributeAuthority = 3;

// TCertAlgCommonRule: whose algorithm constraints.
inline constexpr DWORD kCertAlgEndEntity = 1;
inline constexpr DWORD kCertAlgCa = 2;
inline constexpr DWORD kCertAlgAttributeAuthority = 3;
inline constexpr DWORD kCertAlgTimestampAuthority = 4;

class TSignValidationRule {
public:
    virtual ~TSignValidationRule() = default;
    // 1 when the policy allows the fact, 0 when it does not.
    virtual DWORD Validate(const SignPolicyInfo& policy) const = 0;
};

// External (detached) signed data: 1 for a detached signature.
class TSignerTypeCommonRule final : public TSignValidationRule {
public:
    explicit TSignerTypeCommonRule(DWORD external) : m_external(external) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    DWORD m_external;
};

// One attribute the signature would carry, against the attributes the
// signer rules mandate.
class TSignerAttrCommonRule final : public TSignValidationRule {
public:
    TSignerAttrCommonRule(std::string oid, DWORD kind) : m_oid(std::move(oid)), m_kind(kind) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    std::string m_oid;
    DWORD m_kind;
};

// All the attributes the signature carries: each mandated one must be among
// them.
class TSignerAttrsCommonRule final : public TSignValidationRule {
public:
    TSignerAttrsCommonRule(std::vector<std::string> signedOids, std::vector<std::string> unsignedOids)
        : m_signedOids(std::move(signedOids)), m_unsignedOids(std::move(unsignedOids)) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    std::vector<std::string> m_signedOids;
    std::vector<std::string> m_unsignedOids;
};

// The certificate references the signature carries: kCertSignerOnly or
// kCertFullPath.
class TSignerCertRefCommonRule final : public TSignValidationRule {
public:
    explicit TSignerCertRefCommonRule(DWORD reference) : m_reference(reference) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    DWORD m_reference;
};

// The certificates the signature carries: kCertSignerOnly or kCertFullPath.
class TSignerCertInfoCommonRule final : public TSignValidationRule {
public:
    explicit TSignerCertInfoCommonRule(DWORD info) : m_info(info) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    DWORD m_info;
};

// The signer's algorithm and key length in bits, against the signer
// algorithm constraints; a policy without them allows no signer algorithm.
class TSignerAlgCommonRule final : public TSignValidationRule {
public:
    TSignerAlgCommonRule(std::string oid, DWORD keyLength) : m_oid(std::move(oid)), m_keyLength(keyLength) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    std::string m_oid;
    DWORD m_keyLength;
};

// A chain's root at a time: valid then, and one of the trust points of its
// kind (the signer's trust trees when the kind has none).
class TCertRootCommonRule final : public TSignValidationRule {
public:
    TCertRootCommonRule(DWORD kind, CertInfo root, FILETIME time) : m_kind(kind), m_root(std::move(root)), m_time(time) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    DWORD m_kind;
    CertInfo m_root;
    FILETIME m_time;
};

// A certificate's hash and signature algorithms with its key length,
// against the algorithm constraints of its kind; no constraints allow all.
class TCertAlgCommonRule final : public TSignValidationRule {
public:
    TCertAlgCommonRule(DWORD kind, CertInfo certificate) : m_kind(kind), m_certificate(std::move(certificate)) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    DWORD m_kind;
    CertInfo m_certificate;
};

// A chain, end certificate first and root last, against the acceptable
// policies of the trust point its root is.
class TCertPolicyCommonRule final : public TSignValidationRule {
public:
    TCertPolicyCommonRule(DWORD kind, std::vector<CertInfo> chain) : m_kind(kind), m_chain(std::move(chain)) {}
    DWORD Validate(const SignPolicyInfo& policy) const override;

private:
    DWORD m_kind;
    std::vector<CertInfo> m_chain;
};
