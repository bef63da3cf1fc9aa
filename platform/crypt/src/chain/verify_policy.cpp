// verify_policy.cpp: CertVerifyCertificateChainPolicy.
#include "chain/chain_table.h"
#include "chain/kept_last_error.h"
#include "chain/policies.h"
#include "platform/boundary.h"

using namespace platform;
using namespace platform::crypt::chain;

BOOL CertVerifyCertificateChainPolicy(LPCSTR pszPolicyOID, PCCERT_CHAIN_CONTEXT pChainContext,
                                      PCERT_CHAIN_POLICY_PARA pPolicyPara,
                                      PCERT_CHAIN_POLICY_STATUS pPolicyStatus) noexcept {
    return winBool([&] {
        const KeptLastError kept;
        if (!pPolicyStatus || pPolicyStatus->cbSize < sizeof(CERT_CHAIN_POLICY_STATUS) ||
            (pPolicyPara && pPolicyPara->cbSize < sizeof(CERT_CHAIN_POLICY_PARA)))
            throw WinError(E_INVALIDARG, "CertVerifyCertificateChainPolicy arguments");
        if (!isLiveChain(pChainContext)) throw WinError(E_INVALIDARG, "not a chain context");
        const DWORD flags = pPolicyPara ? pPolicyPara->dwFlags : 0;
        pPolicyStatus->dwError = 0;
        pPolicyStatus->lChainIndex = -1;
        pPolicyStatus->lElementIndex = -1;
        if (pszPolicyOID == CERT_CHAIN_POLICY_BASE)
            applyBasePolicy(*pChainContext, flags, *pPolicyStatus);
        else if (pszPolicyOID == CERT_CHAIN_POLICY_BASIC_CONSTRAINTS)
            applyBasicConstraintsPolicy(*pChainContext, flags, *pPolicyStatus);
        else
            throw WinError(CRYPT_E_NOT_FOUND, "chain policy not supported");
        return true;
    });
}
