// sign_policy_trust.cpp: trust points and what they constrain
// (CertificateTrustTrees, NameConstraints, PolicyConstraints) and the
// revocation requirements (CertRevReq, RevReq). The policy module tags
// explicitly; the GeneralName of a subtree base follows PKIX's implicit
// tags, so its string choices hold their IA5 contents directly.
#include "common/strings.h"
#include "sign_policy_parts.h"

namespace sign_policy {

namespace {

// GeneralName choices a subtree base is read into; the others keep only
// the base's DER.
constexpr DWORD kRfc822Name = 1;
constexpr DWORD kDnsName = 2;
constexpr DWORD kDirectoryName = 4;
constexpr DWORD kUri = 6;
constexpr DWORD kRegisteredId = 8;

bool ReadRegisteredId(const Tagged& name, std::string& out) {
    if (name.constructed) return ReadOidText(name.inner, out);
    std::string text = JoinStringList(std::vector<int>(name.inner.begin(), name.inner.end()), ".");
    if (text.empty()) return false;
    out = std::move(text);
    return true;
}

bool ReadSubtreeBase(Der base, PolicyNameSubtree& out) {
    out.baseDer.assign(base.begin(), base.end());
    Tagged name;
    if (!ReadTagged(base, name)) return false;
    switch (name.number) {
    case kRfc822Name:
        return ReadNameText(name, out.rfc822Name);
    case kDnsName:
        return ReadNameText(name, out.dnsName);
    case kDirectoryName:
        return name.constructed && ReadDirectoryName(name.inner, out.directoryNameAttrs, out.directoryName);
    case kUri:
        return ReadNameText(name, out.uri);
    case kRegisteredId:
        return ReadRegisteredId(name, out.registeredId);
    default:
        return true;
    }
}

// GeneralSubtree: base, [0] minimum, [1] maximum.
bool ReadSubtree(Der der, PolicyNameSubtree& out) {
    Elements elements;
    if (!ReadSequence(der, 1, elements) || !ReadSubtreeBase(elements[0], out)) return false;
    return WalkTagged(elements, 1, [&](const Tagged& tagged) {
        if (tagged.number == 0) return ReadTaggedCount(tagged, out.minimum);
        if (tagged.number == 1) return ReadTaggedCount(tagged, out.maximum);
        return true;
    });
}

bool ReadSubtrees(Der der, std::vector<PolicyNameSubtree>& out) {
    return ReadSequenceOf(der, out, ReadSubtree);
}

// SkipCerts never comes negative, so -1 stays free to mean absent.
bool ReadSkipCerts(const Tagged& tagged, INT& out) {
    DWORD count = 0;
    if (!ReadTaggedCount(tagged, count)) return false;
    out = static_cast<INT>(count);
    return true;
}

// PolicyConstraints: [0] requireExplicitPolicy, [1] inhibitPolicyMapping.
bool ReadPolicyConstraints(Der der, PolicyTrustPoint& out) {
    Elements elements;
    if (!ReadSequence(der, elements)) return false;
    return WalkTagged(elements, 0, [&](const Tagged& tagged) {
        if (tagged.number == 0) return ReadSkipCerts(tagged, out.requireExplicitPolicy);
        if (tagged.number == 1) return ReadSkipCerts(tagged, out.inhibitPolicyMapping);
        return true;
    });
}

bool ReadPathLength(Der der, INT& out) {
    INT value = 0;
    if (!ReadInteger(der, value) || value < 0) return false;
    out = value;
    return true;
}

// CertificateTrustPoint: trustpoint, then [0] pathLengthConstraint,
// [1] acceptablePolicySet, [2] nameConstraints, [3] policyConstraints.
bool ReadTrustPoint(Der der, PolicyTrustPoint& out) {
    Elements elements;
    if (!ReadSequence(der, 1, elements)) return false;
    out.certificate.assign(elements[0].begin(), elements[0].end());
    return WalkTagged(elements, 1, [&](const Tagged& tagged) {
        switch (tagged.number) {
        case 0:
            return ReadPathLength(tagged.inner, out.pathLength);
        case 1:
            return ReadOidList(tagged.inner, out.acceptablePolicies);
        case 2:
            return ReadNameConstraints(tagged.inner, out.nameConstraints);
        case 3:
            return ReadPolicyConstraints(tagged.inner, out);
        default:
            return true;
        }
    });
}

// RevReq: enuRevReq, then exRevReq.
bool ReadRevReq(Der der, PolicyRevReq& out) {
    Elements elements;
    if (!ReadSequence(der, 1, elements) ||
        !ReadEnumeratedIn(elements[0], kRevReqCrlCheck, kRevReqOther, out.requirement))
        return false;
    return elements.size() < 2 || ReadExtensions(elements[1], out.other);
}

}  // namespace

bool ReadTrustTrees(Der der, std::vector<PolicyTrustPoint>& out) {
    return ReadSequenceOf(der, out, ReadTrustPoint);
}

bool ReadNameConstraints(Der der, PolicyNameConstraints& out) {
    Elements elements;
    if (!ReadSequence(der, elements)) return false;
    return WalkTagged(elements, 0, [&](const Tagged& tagged) {
        if (tagged.number == 0) return ReadSubtrees(tagged.inner, out.permitted);
        if (tagged.number == 1) return ReadSubtrees(tagged.inner, out.excluded);
        return true;
    });
}

// CertRevReq: endCertRevReq, then [0] caCerts, which must be there.
bool ReadCertRevReq(Der der, PolicyCertRevReq& out) {
    Elements elements;
    if (!ReadSequence(der, 2, elements) || !ReadRevReq(elements[0], out.endCertificate)) return false;
    bool caRead = false;
    const bool walked = WalkTagged(elements, 1, [&](const Tagged& tagged) {
        if (tagged.number != 0) return true;
        caRead = ReadRevReq(tagged.inner, out.caCertificates);
        return caRead;
    });
    return walked && caRead;
}

}  // namespace sign_policy
