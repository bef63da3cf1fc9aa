// cert_manager_checks.cpp: time validity and chain validity of remembered
// certificates.
#include "cert_manager_checks.h"

#include "common/cert_context.h"
#include "owned_context.h"
#include "win32/crypt_chain.h"

namespace {

constexpr DWORD kChainBit = 2;
constexpr DWORD kRevocationBit = 4;

// With both chain bits every error counts; with bit 2 alone an unknown
// revocation status does not; with bit 4 alone neither does a chain that
// ends short of a root or in an untrusted one.
DWORD OverlookedErrors(DWORD flags) {
    const bool chain = flags & kChainBit;
    const bool revocation = flags & kRevocationBit;
    if (chain && revocation) return 0;
    if (chain) return CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
    return CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
}

}  // namespace

bool IsTimeValidNow(const CertInfo& record) {
    const OwnedCertContext context(CertContextFromInfo(record));
    DWORD flags = CERT_STORE_TIME_VALIDITY_FLAG;
    return context && CertVerifySubjectCertificateContext(context.get(), nullptr, &flags) && flags == 0;
}

// The chain of the current user's engine now, its issuers also looked for in
// the certificate's own store; revocation is checked below the root when
// both chain bits are set.
bool ChainValidates(const CertInfo& record, DWORD flags) {
    const OwnedCertContext context(CertContextFromInfo(record));
    if (!context) return false;
    const bool revocation = (flags & kChainBit) && (flags & kRevocationBit);
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(HCCE_CURRENT_USER, context.get(), nullptr, context->hCertStore, &parameters,
                                 revocation ? CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT : 0, nullptr, &chain))
        return false;
    const DWORD errors = chain->rgpChain[0]->TrustStatus.dwErrorStatus & ~OverlookedErrors(flags);
    CertFreeCertificateChain(chain);
    return errors == 0;
}
