// sign_policy_decoder.cpp: SignaturePolicy, SignPolicyInfo and
// SignatureValidationPolicy into the policy record, and the policy hash.
#include "common/sign_policy_decoder.h"

#include <new>

#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/strings.h"
#include "sign_policy_parts.h"

namespace {

using namespace sign_policy;

constexpr BYTE kNullTag = 0x05;

// PolicyIssuerName: a directory name, then a name given as text. A first
// name that is no directory name leaves the issuer's texts empty.
bool ReadIssuer(Der der, SignPolicyInfo& info) {
    Elements names;
    if (!ReadSequence(der, 1, names)) return false;
    Tagged first;
    if (ReadTagged(names[0], first) && first.constructed)
        ReadDirectoryName(first.inner, info.issuerNameAttrs, info.issuerName);
    if (names.size() < 2) return true;
    Tagged second;
    return ReadTagged(names[1], second) && ReadNameText(second, info.issuerSecondName);
}

// CommitmentRules: one 0 for each rule whose first selected commitment type
// is a recognizedCommitmentType rather than the empty NULL.
bool ReadCommitmentRules(Der der, std::vector<DWORD>& out) {
    Elements rules;
    if (!ReadSequence(der, rules)) return false;
    for (Der rule : rules) {
        Elements parts;
        Elements selected;
        if (!ReadSequence(rule, 1, parts) || !ReadSequence(parts[0], 1, selected)) return false;
        if (selected[0][0] != kNullTag) out.push_back(0);
    }
    return true;
}

// SignatureValidationPolicy: signingPeriod, commonRules, commitmentRules,
// extensions. A signing period that does not decode leaves its times absent.
// Common rules that cannot be read are not fatal: the parts read before the
// fault stay and the later ones keep their defaults, which the log records
// because it weakens the policy.
bool ReadValidationPolicy(Der der, SignPolicyInfo& info) {
    Elements parts;
    if (!ReadSequence(der, 3, parts)) return false;
    Elements period;
    if (ReadSequence(parts[0], 1, period)) {
        ReadTime(period[0], info.signingNotBefore);
        if (period.size() > 1) ReadTime(period[1], info.signingNotAfter);
    }
    if (!ReadCommonRules(parts[1], info.commonRules))
        TLogStrVect::Instance()->Print(sgLogLevelWarns,
                                       "Decode(): common rules of policy '%s' damaged, later rules keep their defaults",
                                       info.policyOid.c_str());
    if (!ReadCommitmentRules(parts[2], info.recognisedCommitmentRules)) return false;
    return parts.size() < 4 || ReadExtensions(parts[3], info.validationPolicyExtensions);
}

// SignPolicyInfo: signPolicyIdentifier, dateOfIssue, policyIssuerName,
// fieldOfApplication, signatureValidationPolicy, extensions.
bool ReadPolicyInfo(Der der, SignPolicyInfo& info) {
    Elements parts;
    if (!ReadSequence(der, 5, parts)) return false;
    info.policyOidDer.assign(parts[0].begin(), parts[0].end());
    if (!ReadOidText(parts[0], info.policyOid) || !ReadTime(parts[1], info.dateOfIssue) ||
        !ReadIssuer(parts[2], info))
        return false;
    info.fieldOfApplicationDer.assign(parts[3].begin(), parts[3].end());
    if (!ReadDirectoryString(parts[3], info.fieldOfApplication) || !ReadValidationPolicy(parts[4], info))
        return false;
    return parts.size() < 6 || ReadExtensions(parts[5], info.policyInfoExtensions);
}

bool ReadStoredHash(Der der, SignPolicyInfo& info) {
    std::vector<BYTE> hash;
    if (!ReadOctetString(der, hash) || hash.empty()) return false;
    info.storedHash = std::move(hash);
    info.policyHashText = HashText(info.storedHash);
    return true;
}

// RFC 3125 5.1: the hash covers the DER of signPolicyHashAlg followed by the
// DER of signPolicyInfo.
bool ComputeHash(Der hashAlgorithm, Der policyInfo, SignPolicyInfo& info) {
    const ALG_ID algId = TCryptoapi::OidToAlgId(info.hashAlgOid);
    if (algId == 0) return false;
    std::vector<BYTE> data(hashAlgorithm.begin(), hashAlgorithm.end());
    data.insert(data.end(), policyInfo.begin(), policyInfo.end());
    TCryptoapi crypto;
    return crypto.HashData(data.data(), static_cast<DWORD>(data.size()), algId, info.computedHash) != 0;
}

bool DecodePolicy(Der policy, SignPolicyInfo& info) {
    Elements parts;
    if (!ReadSequence(policy, parts)) return false;
    info.policyDer.assign(policy.begin(), policy.end());
    if (parts.size() < 2) return false;
    const Der hashAlgorithm = parts[0];
    const Der policyInfo = parts[1];
    info.hashAlgDer.assign(hashAlgorithm.begin(), hashAlgorithm.end());
    if (!ReadAlgorithmOid(hashAlgorithm, info.hashAlgOid) || !ReadPolicyInfo(policyInfo, info)) return false;
    if (parts.size() > 2 && !ReadStoredHash(parts[2], info)) return false;
    return ComputeHash(hashAlgorithm, policyInfo, info);
}

}  // namespace

namespace sign_policy {

std::string HashText(const std::vector<BYTE>& hash) { return ToUpper(BytesToHex(hash.data(), hash.size(), 2, " ")); }

}  // namespace sign_policy

bool TSignPolicyDecoder::Decode(Der policy, SignPolicyInfo& info) const {
    try {
        return DecodePolicy(policy, info);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool DecodeSignPolicyBuffer(const BYTE* bytes, DWORD length, SignPolicyInfo& info) {
    if (!bytes) return false;
    const TSignPolicyDecoder decoder;
    return decoder.Decode({bytes, length}, info);
}
