// sign_policy_common_rules.cpp: CommonRules and its parts: the signer and
// verifier rules, the trust conditions of signing certificates,
// time-stamping authorities and attributes, the algorithm constraints; and
// SignPolExtensions, which every level of the policy may carry.
#include <iterator>

#include "sign_policy_parts.h"

namespace sign_policy {

namespace {

constexpr BYTE kBooleanTag = 0x01;
constexpr BYTE kIntegerTag = 0x02;
constexpr BYTE kOidTag = 0x06;
constexpr BYTE kSequenceTag = 0x30;

// One element of SignerRules, told apart by its first byte: the optional
// externalSignedData, the two attribute lists in their order, then [0]
// CertRefReq, [1] CertInfoReq and [2] extensions.
bool ReadSignerRule(Der element, int& listsRead, SignerAndVerifierRules& out) {
    if (element[0] == kBooleanTag) {
        bool external = false;
        if (!ReadBoolean(element, external)) return false;
        out.externalSignedData = external ? kExternalSignedDataTrue : kExternalSignedDataFalse;
        return true;
    }
    if (element[0] == kSequenceTag) {
        if (listsRead == 2) return false;
        const bool signedList = listsRead++ == 0;
        DWORD& present = signedList ? out.mandatedSignedAttrsPresent : out.mandatedUnsignedAttrsPresent;
        present = ReadOidList(element, signedList ? out.mandatedSignedAttrs : out.mandatedUnsignedAttrs) ? 1 : 0;
        return present != 0;
    }
    Tagged tagged;
    if (!ReadTagged(element, tagged)) return false;
    switch (tagged.number) {
    case 0:
        return ReadEnumeratedIn(tagged.inner, kCertSignerOnly, kCertFullPath, out.mandatedCertificateRef);
    case 1:
        return ReadEnumeratedIn(tagged.inner, kCertInfoNone, kCertFullPath, out.mandatedCertificateInfo);
    case 2:
        return ReadExtensions(tagged.inner, out.signerExtensions);
    default:
        return false;
    }
}

bool ReadSignerRules(Der der, SignerAndVerifierRules& out) {
    Elements elements;
    if (!ReadSequence(der, 2, elements)) return false;
    int listsRead = 0;
    for (Der element : elements)
        if (!ReadSignerRule(element, listsRead, out)) return false;
    return listsRead == 2;
}

// VerifierRules: mandatedUnsignedAttr, then extensions.
bool ReadVerifierRules(Der der, SignerAndVerifierRules& out) {
    Elements elements;
    if (!ReadSequence(der, 1, elements)) return false;
    out.verifierUnsignedAttrsPresent = ReadOidList(elements[0], out.verifierUnsignedAttrs) ? 1 : 0;
    if (!out.verifierUnsignedAttrsPresent) return false;
    return elements.size() < 2 || ReadExtensions(elements[1], out.verifierExtensions);
}

bool ReadSignerAndVerifierRules(Der der, SignerAndVerifierRules& out) {
    Elements elements;
    return ReadSequence(der, 2, elements) && ReadSignerRules(elements[0], out) && ReadVerifierRules(elements[1], out);
}

bool ReadSigningCertTrust(Der der, SigningCertTrustCondition& out) {
    Elements elements;
    return ReadSequence(der, 2, elements) && ReadTrustTrees(elements[0], out.trustTrees) &&
           ReadCertRevReq(elements[1], out.revocation);
}

// DeltaTime: seconds, minutes, hours, days.
bool ReadDeltaTime(Der der, PolicyDeltaTime& out) {
    Elements elements;
    if (!ReadSequence(der, 4, elements) || !ReadInteger(elements[0], out.seconds) ||
        !ReadInteger(elements[1], out.minutes) || !ReadInteger(elements[2], out.hours) ||
        !ReadInteger(elements[3], out.days))
        return false;
    out.present = 1;
    return true;
}

// TimestampTrustCondition: [0] trust trees, [1] revocation, [2] name
// constraints, [3] caution period, [4] signature time-stamp delay.
bool ReadTimestampTrust(Der der, TimestampTrustCondition& out) {
    Elements elements;
    if (!ReadSequence(der, elements)) return false;
    return WalkTagged(elements, 0, [&](const Tagged& tagged) {
        switch (tagged.number) {
        case 0:
            return ReadTrustTrees(tagged.inner, out.trustTrees);
        case 1:
            return ReadCertRevReq(tagged.inner, out.revocation);
        case 2:
            return ReadNameConstraints(tagged.inner, out.nameConstraints);
        case 3:
            return ReadDeltaTime(tagged.inner, out.cautionPeriod);
        case 4:
            return ReadDeltaTime(tagged.inner, out.signatureTimestampDelay);
        default:
            return true;
        }
    });
}

// AttributeValueConstraints: each AttributeTypeAndValue's value is kept
// without its tag and length, whatever its type.
bool ReadAttributeValues(Der der, std::vector<PolicyAttrValue>& out) {
    return ReadSequenceOf(der, out, [](Der element, PolicyAttrValue& value) {
        Elements pair;
        Der content;
        if (!ReadSequence(element, 2, pair) || !ReadOidText(pair[0], value.type) || !ContentOf(pair[1], content))
            return false;
        value.value.assign(content.begin(), content.end());
        return true;
    });
}

// AttributeConstraints: [0] attribute types, [1] attribute values.
bool ReadAttributeConstraints(Der der, AttributeTrustCondition& out) {
    Elements elements;
    if (!ReadSequence(der, elements)) return false;
    return WalkTagged(elements, 0, [&](const Tagged& tagged) {
        if (tagged.number == 0) return ReadOidList(tagged.inner, out.attributeTypes);
        if (tagged.number == 1) return ReadAttributeValues(tagged.inner, out.attributeValues);
        return true;
    });
}

// AttributeTrustCondition: attributeMandated, howCertAttribute, then
// [0] trust trees, [1] revocation, [2] attribute constraints.
bool ReadAttributeTrust(Der der, AttributeTrustCondition& out) {
    Elements elements;
    bool mandated = false;
    DWORD how = 0;
    if (!ReadSequence(der, 2, elements) || !ReadBoolean(elements[0], mandated) ||
        !ReadEnumeratedIn(elements[1], kHowCertClaimed, kHowCertEither, how))
        return false;
    out.attributeMandated = mandated ? 1 : 0;
    out.howCertified = static_cast<INT>(how);
    return WalkTagged(elements, 2, [&](const Tagged& tagged) {
        switch (tagged.number) {
        case 0:
            return ReadTrustTrees(tagged.inner, out.trustTrees);
        case 1:
            return ReadCertRevReq(tagged.inner, out.revocation);
        case 2:
            return ReadAttributeConstraints(tagged.inner, out);
        default:
            return true;
        }
    });
}

// AlgAndLength: its elements by their first byte; the algorithm must be
// there.
bool ReadAlgAndLength(Der der, PolicyAlgAndLength& out) {
    Elements elements;
    if (!ReadSequence(der, elements)) return false;
    for (Der element : elements) {
        INT bits = 0;
        switch (element[0]) {
        case kIntegerTag:
            if (!ReadInteger(element, bits) || bits < 0) return false;
            out.minKeyLength = static_cast<DWORD>(bits);
            break;
        case kOidTag:
            if (!ReadOidText(element, out.algorithm)) return false;
            break;
        case kSequenceTag:
            if (!ReadExtensions(element, out.other)) return false;
            break;
        default:
            break;
        }
    }
    return !out.algorithm.empty();
}

bool ReadAlgorithmList(Der der, std::vector<PolicyAlgAndLength>& out) {
    return ReadSequenceOf(der, out, ReadAlgAndLength);
}

// AlgorithmConstraintSet: [0] signer, [1] end entity, [2] CA, [3] attribute
// authority, [4] time-stamping authority.
bool ReadAlgorithmConstraintSet(Der der, AlgorithmConstraintSet& out) {
    Elements elements;
    if (!ReadSequence(der, elements)) return false;
    std::vector<PolicyAlgAndLength>* const lists[] = {&out.signer, &out.endEntity, &out.ca, &out.attributeAuthority,
                                                      &out.timestampAuthority};
    return WalkTagged(elements, 0, [&](const Tagged& tagged) {
        return tagged.number >= std::size(lists) || ReadAlgorithmList(tagged.inner, *lists[tagged.number]);
    });
}

}  // namespace

bool ReadExtensions(Der der, std::vector<PolicyExtension>& out) {
    return ReadSequenceOf(der, out, [](Der element, PolicyExtension& extension) {
        Elements pair;
        return ReadSequence(element, pair) && pair.size() == 2 && ReadOidText(pair[0], extension.oid) &&
               ReadOctetString(pair[1], extension.value);
    });
}

// CommonRules: [0] signer and verifier rules, [1] signing-certificate,
// [2] time-stamp and [3] attribute trust conditions, [4] algorithm
// constraints, [5] extensions.
bool ReadCommonRules(Der der, PolicyCommonRules& out) {
    Elements elements;
    if (!ReadSequence(der, elements)) return false;
    return WalkTagged(elements, 0, [&](const Tagged& tagged) {
        switch (tagged.number) {
        case 0:
            return ReadSignerAndVerifierRules(tagged.inner, out.signerAndVerifier);
        case 1:
            return ReadSigningCertTrust(tagged.inner, out.signingCert);
        case 2:
            return ReadTimestampTrust(tagged.inner, out.timestamp);
        case 3:
            return ReadAttributeTrust(tagged.inner, out.attribute);
        case 4:
            return ReadAlgorithmConstraintSet(tagged.inner, out.algorithms);
        case 5:
            return ReadExtensions(tagged.inner, out.extensions);
        default:
            return true;
        }
    });
}

}  // namespace sign_policy
