// Signing and time-stamp server certificates held to the loaded signature
// policy: the trust point their chain ends in, the acceptable certificate
// policies along the chain, and the algorithms of the certificate itself.
#include <vector>

#include "common/cryptoapi.h"
#include "common/sign_policy_decoder.h"
#include "common/sign_policy_validator.h"
#include "signer.h"
#include "win32/datetime.h"

namespace {

// Whether the certificate satisfies the policy bytes under the trust
// conditions of trustKind and the algorithm constraints of algorithmKind.
bool MeetsPolicy(const std::vector<BYTE>& policyDer, const CertInfo& certificate, DWORD trustKind,
                 DWORD algorithmKind) {
    SignPolicyInfo policy;
    if (!DecodeSignPolicyBuffer(policyDer.data(), static_cast<DWORD>(policyDer.size()), policy)) return false;
    std::vector<CertInfo> chain;
    if (!TCryptoapi::CheckCertificateChain(certificate, chain, 0) || chain.empty()) return false;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    TSignPolicyValidator validator(policy);
    validator.AddCertPolicyRule(trustKind, chain);
    validator.AddCertRootRule(trustKind, chain.back(), now);
    validator.AddCertAlgRule(algorithmKind, certificate);
    return validator.Validate() != 0;
}

}  // namespace

bool TSigner::ValidateSignCert(const CertInfo& certificate) const {
    SIGNER_TRACE();
    if (!IsSignPolicy()) return true;
    return MeetsPolicy(m_signPolicy, certificate, kTrustSigner, kCertAlgEndEntity);
}

bool TSigner::ValidateTsaCert(const CertInfo& certificate) const {
    SIGNER_TRACE();
    if (!IsSignPolicy()) return true;
    // A time-stamp server's own algorithm constraints, not those of CAs.
    return MeetsPolicy(m_signPolicy, certificate, kTrustTimestampAuthority, kCertAlgTimestampAuthority);
}
