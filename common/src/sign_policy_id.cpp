// sign_policy_id.cpp: the parts of a signed message's SignaturePolicyId
// (RFC 3126 5.8.1): the policy OID, its hash and the qualifiers.
#include <string>

#include "common/int_text.h"
#include "common/sign_policy_decoder.h"
#include "sign_policy_parts.h"

namespace {

using namespace sign_policy;

constexpr char kUriQualifierOid[] = "1.2.840.113549.1.9.16.5.1";
constexpr char kUserNoticeQualifierOid[] = "1.2.840.113549.1.9.16.5.2";

constexpr BYTE kSequenceTag = 0x30;
// The DisplayText choices of RFC 2459: UTF8String, VisibleString, BMPString.
constexpr BYTE kUtf8StringTag = 0x0C;
constexpr BYTE kVisibleStringTag = 0x1A;
constexpr BYTE kBmpStringTag = 0x1E;

bool ReadDisplayText(Der element, std::string& out) {
    const BYTE tag = element[0];
    return (tag == kUtf8StringTag || tag == kVisibleStringTag || tag == kBmpStringTag) &&
           ReadDirectoryString(element, out);
}

// NoticeReference: organization, noticeNumbers.
bool ReadNoticeReference(Der der, SignPolicyId& id) {
    Elements parts;
    Elements numbers;
    if (!ReadSequence(der, 2, parts) || !ReadDisplayText(parts[0], id.noticeOrganization) ||
        !ReadSequence(parts[1], numbers))
        return false;
    for (Der number : numbers) {
        INT value = 0;
        if (!ReadInteger(number, value)) return false;
        id.noticeNumbers += IntToStr(value);
    }
    return true;
}

// SPUserNotice: noticeRef and explicitText, each optional.
bool ReadUserNotice(Der der, SignPolicyId& id) {
    Elements parts;
    if (!ReadSequence(der, parts)) return false;
    for (Der part : parts) {
        const bool read = part[0] == kSequenceTag ? ReadNoticeReference(part, id) : ReadDisplayText(part, id.explicitText);
        if (!read) return false;
    }
    return true;
}

// SigPolicyQualifierInfo: sigPolicyQualifierId, then its qualifier.
bool ReadQualifier(Der der, SignPolicyId& id) {
    Elements parts;
    std::string oid;
    if (!ReadSequence(der, 1, parts) || !ReadOidText(parts[0], oid)) return false;
    if (parts.size() < 2) return true;
    if (oid == kUriQualifierOid) return ReadDirectoryString(parts[1], id.uri);
    if (oid == kUserNoticeQualifierOid) return ReadUserNotice(parts[1], id);
    return true;
}

}  // namespace

bool TSignPolicyDecoder::DecodePolicyOid(Der element, SignPolicyId& id) const {
    return ReadOidText(element, id.policyOid);
}

bool TSignPolicyDecoder::DecodeFirstOid(Der sequence, std::string& oid) const { return ReadFirstOid(sequence, oid); }

bool TSignPolicyDecoder::DecodeAlgorithmOid(Der algorithm, std::string& oid) const {
    return ReadAlgorithmOid(algorithm, oid);
}

bool TSignPolicyDecoder::DecodePolicyHash(Der element, SignPolicyId& id) const {
    Elements pair;
    std::vector<BYTE> hash;
    if (!ReadSequence(element, pair) || pair.size() != 2 || !ReadAlgorithmOid(pair[0], id.hashAlgOid) ||
        !ReadOctetString(pair[1], hash))
        return false;
    id.hashText = HashText(hash);
    return true;
}

bool TSignPolicyDecoder::DecodePolicyQualifiers(Der element, SignPolicyId& id) const {
    Elements qualifiers;
    if (!ReadSequence(element, 1, qualifiers)) return false;
    bool result = false;
    for (Der qualifier : qualifiers) result = ReadQualifier(qualifier, id);
    return result;
}
