// cms_sign_policy.cpp: what a signature policy says before a signature is
// made: whether it allows the hash, the detached form and the certificates
// of the signer's chain, and which signed attributes it mandates.
#include "cms_sign_parts.h"
#include "common/cms_sign.h"
#include "common/cryptoapi.h"
#include "common/sign_policy_validator.h"
#include "pkcs7_query.h"
#include "win32/crypt_chain.h"

namespace cms_sign {

namespace {

struct PolicyAttribute {
    const char* oid;
    DWORD flag;
};

constexpr PolicyAttribute kPolicyAttributes[] = {
    {pkcs7::kSigningTimeOid, kSignSigningTime},
    {pkcs7::kSigningCertificateOid, kSignSigningCert},
    {pkcs7::kSigningCertificateV2Oid, kSignSigningCertV2},
    {pkcs7::kSignPolicyIdOid, kSignPolicyId},
};

// A rule for every certificate above the signer in its chain (now, no
// revocation, the signer's own store searched too); false when the chain
// cannot be built or a certificate cannot be described.
bool AddChainRules(PCCERT_CONTEXT signer, TSignPolicyValidator& validator) {
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, signer, nullptr, signer->hCertStore, &parameters, 0, nullptr, &chain))
        return false;
    bool added = true;
    if (chain->cChain) {
        const CERT_SIMPLE_CHAIN& path = *chain->rgpChain[0];
        for (DWORD i = 1; added && i < path.cElement; ++i) {
            CertInfo info;
            added = TCryptoapi::GetCertInfo(path.rgpElement[i]->pCertContext, info) &&
                    validator.AddCertAlgRule(kCertAlgCa, info);
        }
    }
    CertFreeCertificateChain(chain);
    return added;
}

}  // namespace

DWORD CheckSignerAgainstPolicy(PCCERT_CONTEXT signer, const std::string& hashOid, DWORD flags,
                               const SignPolicyInfo& policy) {
    // The signer's key length is held against the policy's minimum for the
    // hash: with none given, no minimum could ever be met.
    const DWORD keyBits = CertGetPublicKeyLength(kCertEncoding, &signer->pCertInfo->SubjectPublicKeyInfo);
    TSignPolicyValidator validator(policy);
    if (!validator.AddSignerTypeRule((flags & kSignDetached) ? 1 : 0) || !validator.AddSignerAlgRule(hashOid, keyBits))
        return kErrSignNoMemory;
    if (!validator.Validate()) return kErrSignPolicy;

    validator.ClearRules();
    CertInfo info;
    if (!TCryptoapi::GetCertInfo(signer, info) || !validator.AddCertAlgRule(kCertAlgEndEntity, info) ||
        !AddChainRules(signer, validator))
        return kErrSignCertificate;
    return validator.Validate() ? 0 : kErrSignCertificatePolicy;
}

DWORD PolicyAttributeFlags(const SignPolicyInfo& policy) {
    // Each of the four attributes is asked for when its rule passes; a
    // policy without a list of mandated signed attributes passes them all,
    // so a message signed under it carries all four.
    TSignPolicyValidator validator(policy);
    DWORD flags = 0;
    for (const PolicyAttribute& attribute : kPolicyAttributes)
        if (validator.AddSignerAttrRule(attribute.oid, kSignedAttribute) && validator.ValidateLast())
            flags |= attribute.flag;
    return flags;
}

}  // namespace cms_sign
