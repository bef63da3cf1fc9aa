// base_policy.cpp: CERT_CHAIN_POLICY_BASE, one error code for the worst
// condition the chain shows, in the order of this table.
#include "chain/policies.h"

namespace platform::crypt::chain {

namespace {

struct Rule {
    DWORD bits;
    DWORD waiver;  // the policy flag that overlooks it; 0: none does
    HRESULT error;
};

constexpr DWORD kNameConstraintBits =
    CERT_TRUST_INVALID_NAME_CONSTRAINTS | CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT |
    CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT | CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT |
    CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT;

constexpr Rule kRules[] = {
    {CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_CTL_IS_NOT_SIGNATURE_VALID, 0, TRUST_E_CERT_SIGNATURE},
    {CERT_TRUST_IS_REVOKED, 0, CRYPT_E_REVOKED},
    {CERT_TRUST_IS_UNTRUSTED_ROOT, CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG, CERT_E_UNTRUSTEDROOT},
    {CERT_TRUST_IS_CYCLIC, 0, CERT_E_CHAINING},
    {CERT_TRUST_IS_PARTIAL_CHAIN, CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG, CERT_E_CHAINING},
    {CERT_TRUST_IS_NOT_VALID_FOR_USAGE | CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE,
     CERT_CHAIN_POLICY_IGNORE_WRONG_USAGE_FLAG, CERT_E_WRONG_USAGE},
    {CERT_TRUST_IS_NOT_TIME_VALID, CERT_CHAIN_POLICY_IGNORE_NOT_TIME_VALID_FLAG, CERT_E_EXPIRED},
    {CERT_TRUST_CTL_IS_NOT_TIME_VALID, CERT_CHAIN_POLICY_IGNORE_CTL_NOT_TIME_VALID_FLAG, CERT_E_EXPIRED},
    {kNameConstraintBits, CERT_CHAIN_POLICY_IGNORE_INVALID_NAME_FLAG, CERT_E_INVALID_NAME},
    {CERT_TRUST_INVALID_POLICY_CONSTRAINTS, CERT_CHAIN_POLICY_IGNORE_INVALID_POLICY_FLAG, CERT_E_INVALID_POLICY},
    {CERT_TRUST_INVALID_BASIC_CONSTRAINTS, CERT_CHAIN_POLICY_IGNORE_INVALID_BASIC_CONSTRAINTS_FLAG,
     TRUST_E_BASIC_CONSTRAINTS},
    {CERT_TRUST_INVALID_EXTENSION, CERT_CHAIN_POLICY_IGNORE_NOT_SUPPORTED_CRITICAL_EXT_FLAG, CERT_E_CRITICAL},
    {CERT_TRUST_IS_NOT_TIME_NESTED, CERT_CHAIN_POLICY_IGNORE_NOT_TIME_NESTED_FLAG, CERT_E_VALIDITYPERIODNESTING},
};

// Unknown revocation is waived by the place of the certificate: the end
// certificate, a CA, or a self-signed root.
DWORD revocationWaiver(const CERT_SIMPLE_CHAIN& simple, DWORD chainIndex, DWORD elementIndex) {
    const CERT_TRUST_STATUS& status = simple.rgpElement[elementIndex]->TrustStatus;
    if (chainIndex == 0 && elementIndex == 0) return CERT_CHAIN_POLICY_IGNORE_END_REV_UNKNOWN_FLAG;
    if (status.dwInfoStatus & CERT_TRUST_IS_SELF_SIGNED) return CERT_CHAIN_POLICY_IGNORE_ROOT_REV_UNKNOWN_FLAG;
    return CERT_CHAIN_POLICY_IGNORE_CA_REV_UNKNOWN_FLAG;
}

void found(CERT_CHAIN_POLICY_STATUS& status, HRESULT error, LONG chainIndex, LONG elementIndex) {
    status.dwError = static_cast<DWORD>(error);
    status.lChainIndex = chainIndex;
    status.lElementIndex = elementIndex;
}

// The first certificate with the bits, else the first simple chain with them.
bool locate(const CERT_CHAIN_CONTEXT& chain, const Rule& rule, CERT_CHAIN_POLICY_STATUS& status) {
    for (DWORD c = 0; c < chain.cChain; ++c) {
        const CERT_SIMPLE_CHAIN& simple = *chain.rgpChain[c];
        for (DWORD e = 0; e < simple.cElement; ++e)
            if (simple.rgpElement[e]->TrustStatus.dwErrorStatus & rule.bits) {
                found(status, rule.error, static_cast<LONG>(c), static_cast<LONG>(e));
                return true;
            }
        if (simple.TrustStatus.dwErrorStatus & rule.bits) {
            found(status, rule.error, static_cast<LONG>(c), -1);
            return true;
        }
    }
    return false;
}

bool locateUnknownRevocation(const CERT_CHAIN_CONTEXT& chain, DWORD flags, CERT_CHAIN_POLICY_STATUS& status) {
    for (DWORD c = 0; c < chain.cChain; ++c) {
        const CERT_SIMPLE_CHAIN& simple = *chain.rgpChain[c];
        for (DWORD e = 0; e < simple.cElement; ++e) {
            const DWORD errors = simple.rgpElement[e]->TrustStatus.dwErrorStatus;
            if (!(errors & CERT_TRUST_REVOCATION_STATUS_UNKNOWN) || (flags & revocationWaiver(simple, c, e))) continue;
            found(status,
                  errors & CERT_TRUST_IS_OFFLINE_REVOCATION ? CRYPT_E_REVOCATION_OFFLINE : CRYPT_E_NO_REVOCATION_CHECK,
                  static_cast<LONG>(c), static_cast<LONG>(e));
            return true;
        }
    }
    return false;
}

}  // namespace

void applyBasePolicy(const CERT_CHAIN_CONTEXT& chain, DWORD flags, CERT_CHAIN_POLICY_STATUS& status) {
    for (const Rule& rule : kRules)
        if (!(flags & rule.waiver) && (chain.TrustStatus.dwErrorStatus & rule.bits) && locate(chain, rule, status))
            return;
    locateUnknownRevocation(chain, flags, status);
}

}  // namespace platform::crypt::chain
