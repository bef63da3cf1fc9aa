// sign_policy_rules.cpp: the nine rules, each over one part of the policy.
#include "common/sign_policy_rules.h"

#include <algorithm>

#include "common/log.h"
#include "win32/datetime.h"

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& oid) {
    return std::find(list.begin(), list.end(), oid) != list.end();
}

DWORD Fail(const char* text) {
    TLogStrVect::Instance()->Print(sgLogLevelErrs, "%s", text);
    return 0;
}

DWORD FailWithOid(const char* format, const std::string& oid) {
    TLogStrVect::Instance()->Print(sgLogLevelErrs, format, oid.c_str());
    return 0;
}

// Every OID the policy mandates must be among the given ones.
bool HoldsMandated(DWORD present, const std::vector<std::string>& mandated, const std::vector<std::string>& given,
                   const char* format) {
    if (!present) return true;
    for (const std::string& oid : mandated) {
        if (!Contains(given, oid)) {
            FailWithOid(format, oid);
            return false;
        }
    }
    return true;
}

// An entry for the algorithm whose minimum key length the key reaches.
bool Allows(const std::vector<PolicyAlgAndLength>& constraints, const std::string& oid, DWORD keyLength) {
    return std::any_of(constraints.begin(), constraints.end(), [&](const PolicyAlgAndLength& allowed) {
        return allowed.algorithm == oid && allowed.minKeyLength <= keyLength;
    });
}

bool IsZero(const FILETIME& time) { return time.dwLowDateTime == 0 && time.dwHighDateTime == 0; }

// The trust points that vouch for roots of the kind: the signer's trust
// trees stand in for a kind that has none. Null for an unknown kind.
const std::vector<PolicyTrustPoint>* TrustPointsFor(const SignPolicyInfo& policy, DWORD kind) {
    const PolicyCommonRules& rules = policy.commonRules;
    const std::vector<PolicyTrustPoint>* points = nullptr;
    switch (kind) {
    case kTrustSigner:
        points = &rules.signingCert.trustTrees;
        break;
    case kTrustTimestampAuthority:
        points = &rules.timestamp.trustTrees;
        break;
    case kTrustAttributeAuthority:
        points = &rules.attribute.trustTrees;
        break;
    default:
        return nullptr;
    }
    return points->empty() ? &rules.signingCert.trustTrees : points;
}

const PolicyTrustPoint* FindTrustPoint(const std::vector<PolicyTrustPoint>& points, const std::vector<BYTE>& root) {
    const auto found = std::find_if(points.begin(), points.end(),
                                    [&](const PolicyTrustPoint& point) { return point.certificate == root; });
    return found == points.end() ? nullptr : &*found;
}

// RFC 3125 7.4: any policy of the acceptable set is acceptable; an empty
// set asks for none.
bool HoldsAcceptablePolicy(const CertInfo& certificate, const std::vector<std::string>& acceptable) {
    return acceptable.empty() || std::any_of(acceptable.begin(), acceptable.end(), [&](const std::string& oid) {
               return Contains(certificate.policyOids, oid);
           });
}

}  // namespace

DWORD TSignerTypeCommonRule::Validate(const SignPolicyInfo& policy) const {
    switch (policy.commonRules.signerAndVerifier.externalSignedData) {
    case kExternalSignedDataAbsent:
        return 1;
    case kExternalSignedDataFalse:
        if (m_external == 0) return 1;
        break;
    case kExternalSignedDataTrue:
        if (m_external == 1) return 1;
        break;
    default:
        break;
    }
    return Fail("Validate(): TSignerTypeCommonRule failed");
}

DWORD TSignerAttrCommonRule::Validate(const SignPolicyInfo& policy) const {
    const SignerAndVerifierRules& rules = policy.commonRules.signerAndVerifier;
    if (m_kind != kSignedAttribute && m_kind != kUnsignedAttribute) return 0;
    const bool signedKind = m_kind == kSignedAttribute;
    if (!(signedKind ? rules.mandatedSignedAttrsPresent : rules.mandatedUnsignedAttrsPresent)) return 1;
    if (Contains(signedKind ? rules.mandatedSignedAttrs : rules.mandatedUnsignedAttrs, m_oid)) return 1;
    return FailWithOid("Validate(): TSignerAttrCommonRule attribute oid '%s' failed", m_oid);
}

DWORD TSignerAttrsCommonRule::Validate(const SignPolicyInfo& policy) const {
    const SignerAndVerifierRules& rules = policy.commonRules.signerAndVerifier;
    return HoldsMandated(rules.mandatedSignedAttrsPresent, rules.mandatedSignedAttrs, m_signedOids,
                         "Validate(): TSignerAttrsCommonRule signed attribute oid '%s' failed") &&
           HoldsMandated(rules.mandatedUnsignedAttrsPresent, rules.mandatedUnsignedAttrs, m_unsignedOids,
                         "Validate(): TSignerAttrsCommonRule unsigned attribute oid '%s' failed");
}

DWORD TSignerCertRefCommonRule::Validate(const SignPolicyInfo& policy) const {
    const DWORD mandated = policy.commonRules.signerAndVerifier.mandatedCertificateRef;
    if ((mandated == kCertSignerOnly || mandated == kCertFullPath) && m_reference == mandated) return 1;
    return Fail("Validate(): TSignerCertRefCommonRule failed");
}

DWORD TSignerCertInfoCommonRule::Validate(const SignPolicyInfo& policy) const {
    const DWORD mandated = policy.commonRules.signerAndVerifier.mandatedCertificateInfo;
    if (mandated == kCertInfoNone) return 1;
    if ((mandated == kCertSignerOnly || mandated == kCertFullPath) && m_info == mandated) return 1;
    return Fail("Validate(): TSignerCertInfoCommonRule failed");
}

DWORD TSignerAlgCommonRule::Validate(const SignPolicyInfo& policy) const {
    if (Allows(policy.commonRules.algorithms.signer, m_oid, m_keyLength)) return 1;
    return FailWithOid("Validate(): TSignerAlgCommonRule signer algorithm oid '%s' failed", m_oid);
}

DWORD TCertAlgCommonRule::Validate(const SignPolicyInfo& policy) const {
    const AlgorithmConstraintSet& algorithms = policy.commonRules.algorithms;
    const std::vector<PolicyAlgAndLength>* constraints = nullptr;
    switch (m_kind) {
    case kCertAlgEndEntity:
        constraints = &algorithms.endEntity;
        break;
    case kCertAlgCa:
        constraints = &algorithms.ca;
        break;
    case kCertAlgAttributeAuthority:
        constraints = &algorithms.attributeAuthority;
        break;
    case kCertAlgTimestampAuthority:
        constraints = &algorithms.timestampAuthority;
        break;
    default:
        return 0;
    }
    if (constraints->empty()) return 1;
    for (const std::string* oid : {&m_certificate.hashAlgOid, &m_certificate.signatureAlgOid})
        if (!Allows(*constraints, *oid, m_certificate.keyLength))
            return FailWithOid("Validate(): TCertAlgCommonRule cert algorithm oid '%s' failed", *oid);
    return 1;
}

DWORD TCertRootCommonRule::Validate(const SignPolicyInfo& policy) const {
    if (IsZero(m_root.notBefore) || IsZero(m_root.notAfter) || CompareFileTime(&m_time, &m_root.notBefore) < 0 ||
        CompareFileTime(&m_time, &m_root.notAfter) > 0)
        return Fail("Validate(): TCertRootCommonRule root certificate period failed");
    const std::vector<PolicyTrustPoint>* points = TrustPointsFor(policy, m_kind);
    if (!points) return 0;
    if (points->empty() || FindTrustPoint(*points, m_root.der)) return 1;
    return Fail("Validate(): TCertRootCommonRule root certificate failed");
}

// The chain is walked from its root, counting from 0; from the count the
// trust point's requireExplicitPolicy names on, every certificate must hold
// an acceptable policy.
DWORD TCertPolicyCommonRule::Validate(const SignPolicyInfo& policy) const {
    if (m_chain.empty()) return 0;
    const std::vector<PolicyTrustPoint>* points = TrustPointsFor(policy, m_kind);
    if (!points) return 0;
    if (points->empty()) return 1;
    const PolicyTrustPoint* point = FindTrustPoint(*points, m_chain.back().der);
    if (!point) return Fail("Validate(): TCertPolicyCommonRule find of certificate trust point failed");
    if (point->requireExplicitPolicy < 0) return 1;
    const auto firstChecked = static_cast<std::size_t>(point->requireExplicitPolicy);
    for (std::size_t count = firstChecked; count < m_chain.size(); ++count)
        if (!HoldsAcceptablePolicy(m_chain[m_chain.size() - 1 - count], point->acceptablePolicies))
            return Fail("Validate(): TCertPolicyCommonRule acceptable policy set failed");
    return 1;
}
