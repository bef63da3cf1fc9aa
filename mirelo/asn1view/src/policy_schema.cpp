// The labelling walk: recognises the parts of an RFC 3125 SignaturePolicy by
// the kind of each sequence and gives its children their kinds. Children are
// matched in order against the fields a part may hold, an absent optional
// field skipped; where RFC 3125 tags its fields, by the tag number. What
// matches nothing keeps kind 0.
#include <initializer_list>

#include "asn1view/nodes.h"

namespace asn1view {
namespace {

enum Kind : DWORD {
    kSignaturePolicy = 1, kPolicyInfo = 3, kIssuerName = 9, kDirectoryName = 17, kValidationPolicy = 11,
    kSigningPeriod = 22, kCommonRules = 23, kCommitmentRules = 24, kSignerAndVerifierRules = 27,
    kSigningCertTrust = 28, kTimestampTrust = 29, kAttributeTrust = 30, kAlgorithmConstraints = 31,
    kSignerRules = 32, kVerifierRules = 33, kCertRefReq = 37, kCertInfoReq = 38, kCommitmentRule = 44,
    kSelectedCommitmentTypes = 45, kTrustTrees = 46, kRevocation = 47, kNameConstraints = 48,
    kCautionPeriodTag = 49, kTimestampDelay = 50, kCautionPeriod = 51, kTrustPoint = 59,
    kCertRevReq = 64, kCaCertRevReq = 65, kPolicyConstraints = 63, kAlgorithmAndLength = 80,
    kCommitmentType = 58, kAttrTrustTrees = 89, kAttrRevocation = 90, kAttributeConstraints = 91,
    kPermitted = 97, kSubtree = 98, kExcluded = 100, kExtensions = 12,
};

struct Field {
    NodeType type;
    DWORD kind;
};

void Give(ASN1Object& node, DWORD kind) {
    node.SetKind(kind);
    if (node.Type() == NodeType::Sequence) static_cast<InnerObject&>(node).ApplySchema();
}

// A policy hash never holds ASN.1, but its bytes may look as if they did.
bool Fits(NodeType type, NodeType field) {
    return type == field || (field == NodeType::OctetString && type == NodeType::InnerOctetString);
}

void InOrder(InnerObject& parent, std::initializer_list<Field> fields) {
    auto next = fields.begin();
    for (const auto& child : parent.Children()) {
        auto field = next;
        while (field != fields.end() && !Fits(child->Type(), field->type)) ++field;
        if (field == fields.end()) continue;
        Give(*child, field->kind);
        next = field + 1;
    }
}

void Each(InnerObject& parent, NodeType type, DWORD kind) {
    for (const auto& child : parent.Children())
        if (child->Type() == type) Give(*child, kind);
}

// Each tagged child is hidden; its content gets the kind the tag number
// maps to (0: none).
template <class KindOfTag>
void Tagged(InnerObject& parent, KindOfTag kindOf) {
    for (const auto& child : parent.Children()) {
        if (child->Type() != NodeType::DistinctTag) continue;
        auto& tag = static_cast<DistinctTag&>(*child);
        tag.SetVisible(false);
        const DWORD kind = kindOf(tag.Tag());
        if (kind == 0) continue;
        for (const auto& content : tag.Children()) Give(*content, kind);
    }
}

auto FromTable(std::initializer_list<DWORD> kinds, DWORD otherwise = 0) {
    return [table = std::vector<DWORD>(kinds), otherwise](std::uint32_t tag) {
        return tag < table.size() ? table[tag] : otherwise;
    };
}

void GiveFirst(InnerObject& parent, DWORD kind) {
    if (!parent.Children().empty()) Give(*parent.Children().front(), kind);
}

void ValueKinds(InnerObject& parent, DWORD (*valueKind)(std::int32_t)) {
    for (const auto& child : parent.Children())
        if (child->Type() == NodeType::Enumerated) {
            auto& value = static_cast<Enumerated&>(*child);
            value.SetValueKind(valueKind(value.Value()));
        }
}

void IssuerNames(InnerObject& names) {
    Tagged(names, [](std::uint32_t n) -> DWORD { return n < 4 ? 13 + n : n == 4 ? kDirectoryName : n <= 8 ? 18 + (n - 5) : 0; });
    // The directory name's attributes stand directly under the issuer.
    for (const auto& tag : names.Children()) {
        if (tag->Type() != NodeType::DistinctTag) continue;
        for (const auto& content : static_cast<DistinctTag&>(*tag).Children()) {
            if (content->Kind() != kDirectoryName || !content->IsContainer()) continue;
            content->SetVisible(false);
            for (const auto& rdn : static_cast<InnerObject&>(*content).Children()) rdn->SetVisible(false);
        }
    }
}

void SignerRules(InnerObject& rules) {
    InOrder(rules, {{NodeType::Boolean, 34}, {NodeType::Sequence, 35}, {NodeType::Sequence, 36}});
    Tagged(rules, FromTable({kCertRefReq, kCertInfoReq}, kExtensions));
    for (const auto& tag : rules.Children()) {
        if (tag->Type() != NodeType::DistinctTag) continue;
        auto& tagged = static_cast<InnerObject&>(*tag);
        const std::uint32_t number = static_cast<DistinctTag&>(*tag).Tag();
        if (number == 0) ValueKinds(tagged, [](std::int32_t v) -> DWORD { return v == 1 ? 39 : v == 2 ? 40 : 0; });
        if (number == 1) ValueKinds(tagged, [](std::int32_t v) -> DWORD { return v == 1 ? 41 : v == 2 ? 42 : 43; });
    }
}

void TimestampTrust(InnerObject& trust) {
    Tagged(trust, FromTable({kTrustTrees, kRevocation, kNameConstraints, kCautionPeriod, kTimestampDelay}));
    for (const auto& tag : trust.Children())
        if (tag->Type() == NodeType::DistinctTag && static_cast<DistinctTag&>(*tag).Tag() == 3) tag->SetKind(kCautionPeriodTag);
}

}  // namespace

void ASNRoot::ApplySchema() {
    if (Children().empty() || Children().front()->Type() != NodeType::Sequence) return;
    auto& policy = static_cast<InnerObject&>(*Children().front());
    policy.SetExpanded(true);
    Give(policy, kSignaturePolicy);
}

void Sequence::ApplySchema() {
    switch (Kind()) {
    case kSignaturePolicy:
        InOrder(*this, {{NodeType::Sequence, 2}, {NodeType::Sequence, kPolicyInfo}, {NodeType::OctetString, 4}});
        for (const auto& child : Children())
            if (child->Kind() == kPolicyInfo) static_cast<InnerObject&>(*child).SetExpanded(true);
        break;
    case kPolicyInfo:
        InOrder(*this, {{NodeType::Oid, 7}, {NodeType::Time, 8}, {NodeType::Sequence, kIssuerName},
                        {NodeType::String, 10}, {NodeType::Sequence, kValidationPolicy}, {NodeType::Sequence, kExtensions}});
        break;
    case kIssuerName:
        IssuerNames(*this);
        break;
    case kValidationPolicy:
        InOrder(*this, {{NodeType::Sequence, kSigningPeriod}, {NodeType::Sequence, kCommonRules},
                        {NodeType::Sequence, kCommitmentRules}, {NodeType::Sequence, kExtensions}});
        break;
    case kSigningPeriod:
        InOrder(*this, {{NodeType::Time, 25}, {NodeType::Time, 26}});
        break;
    case kCommonRules:
        Tagged(*this, FromTable({kSignerAndVerifierRules, kSigningCertTrust, kTimestampTrust, kAttributeTrust,
                                 kAlgorithmConstraints, kExtensions}));
        break;
    case kCommitmentRules:
        Each(*this, NodeType::Sequence, kCommitmentRule);
        break;
    case kCommitmentRule:
        InOrder(*this, {{NodeType::Sequence, kSelectedCommitmentTypes}});
        Tagged(*this, FromTable({kSignerAndVerifierRules, kSigningCertTrust, kTimestampTrust, kAttributeTrust,
                                 kAlgorithmConstraints}, kExtensions));
        break;
    case kSelectedCommitmentTypes:
        for (const auto& child : Children())
            if (child->Type() == NodeType::Null) static_cast<ASNNull&>(*child).SetValueKind(57);
        Each(*this, NodeType::Sequence, kCommitmentType);
        break;
    case kCommitmentType:
        Tagged(*this, FromTable({85, 86}));
        break;
    case kSignerAndVerifierRules:
        InOrder(*this, {{NodeType::Sequence, kSignerRules}, {NodeType::Sequence, kVerifierRules}});
        break;
    case kSignerRules:
        SignerRules(*this);
        break;
    case kVerifierRules:
        InOrder(*this, {{NodeType::Sequence, 84}, {NodeType::Sequence, kExtensions}});
        break;
    case kSigningCertTrust:
        InOrder(*this, {{NodeType::Sequence, kTrustTrees}, {NodeType::Sequence, kRevocation}});
        break;
    case kTimestampTrust:
        TimestampTrust(*this);
        break;
    case kAttributeTrust:
        InOrder(*this, {{NodeType::Boolean, 87}, {NodeType::Enumerated, 88}});
        ValueKinds(*this, [](std::int32_t v) -> DWORD { return v == 1 ? 93 : v == 2 ? 94 : 92; });
        Tagged(*this, FromTable({kAttrTrustTrees, kAttrRevocation, kAttributeConstraints}));
        break;
    case kAlgorithmConstraints:
        Tagged(*this, FromTable({52, 53, 54, 55, 56}));
        break;
    case 52: case 53: case 54: case 55: case 56:
        Each(*this, NodeType::Sequence, kAlgorithmAndLength);
        break;
    case kAlgorithmAndLength:
        InOrder(*this, {{NodeType::Oid, 81}, {NodeType::Integer, 82}, {NodeType::Sequence, 83}});
        break;
    case kTrustTrees:
    case kAttrTrustTrees:
        Each(*this, NodeType::Sequence, kTrustPoint);
        break;
    case kTrustPoint:
        GiveFirst(*this, 60);
        Tagged(*this, FromTable({61, 62, kNameConstraints, kPolicyConstraints}));
        break;
    case kRevocation:
    case kAttrRevocation:
        InOrder(*this, {{NodeType::Sequence, kCertRevReq}});
        Tagged(*this, FromTable({kCaCertRevReq}));
        break;
    case kCertRevReq:
    case kCaCertRevReq:
        InOrder(*this, {{NodeType::Enumerated, 66}, {NodeType::Sequence, 73}});
        ValueKinds(*this, [](std::int32_t v) -> DWORD { return v >= 0 && v <= 5 ? 67 + static_cast<DWORD>(v) : 67; });
        break;
    case kCautionPeriod:
    case kTimestampDelay:
        InOrder(*this, {{NodeType::Integer, 74}, {NodeType::Integer, 75}, {NodeType::Integer, 76}, {NodeType::Integer, 77}});
        break;
    case kPolicyConstraints:
        Tagged(*this, FromTable({78, 79}));
        break;
    case kAttributeConstraints:
        Tagged(*this, FromTable({95, 96}));
        break;
    case kNameConstraints:
        Tagged(*this, FromTable({kPermitted, kExcluded}));
        break;
    case kPermitted:
    case kExcluded:
        Each(*this, NodeType::Sequence, kSubtree);
        break;
    case kSubtree:
        GiveFirst(*this, 99);
        break;
    default:
        break;
    }
}

}  // namespace asn1view
