// get_chain.cpp: CertGetCertificateChain, CertDuplicateCertificateChain and
// CertFreeCertificateChain.
#include "chain/chain_table.h"
#include "chain/constraint_check.h"
#include "chain/kept_last_error.h"
#include "chain/usage_check.h"
#include "platform/boundary.h"
#include "platform/clock.h"
#include "store/file_time.h"

using namespace platform;
using namespace platform::crypt::chain;

namespace {

Engine engineOf(HCERTCHAINENGINE handle) {
    if (handle == HCCE_CURRENT_USER) return Engine::CurrentUser;
    if (handle == HCCE_LOCAL_MACHINE) return Engine::LocalMachine;
    throw WinError(E_INVALIDARG, "unknown chain engine");
}

}  // namespace

BOOL CertGetCertificateChain(HCERTCHAINENGINE hChainEngine, PCCERT_CONTEXT pCertContext, LPFILETIME pTime,
                             HCERTSTORE hAdditionalStore, PCERT_CHAIN_PARA pChainPara, DWORD dwFlags, LPVOID pvReserved,
                             PCCERT_CHAIN_CONTEXT* ppChainContext) noexcept {
    return winBool([&] {
        const KeptLastError kept;
        if (!ppChainContext) throw WinError(E_INVALIDARG, "no place for the chain");
        *ppChainContext = nullptr;
        if (pvReserved || !pCertContext || !pChainPara || pChainPara->cbSize < sizeof(CERT_CHAIN_PARA))
            throw WinError(E_INVALIDARG, "CertGetCertificateChain arguments");
        checkRequestedUsage(pChainPara->RequestedUsage);
        const Engine engine = engineOf(hChainEngine);
        const CertRef cert = duplicated(pCertContext);  // refuses a freed or forged context
        const ULONGLONG checkTime = pTime ? crypt::store::ticksOf(*pTime) : clock::nowFileTime();

        const EngineStores stores(engine, hAdditionalStore, pCertContext->hCertStore);
        Path path = buildPath(cert.get(), stores, checkTime);
        Statuses statuses = checkElements(path, checkTime);
        addUsageErrors(path, pChainPara->RequestedUsage, statuses);
        addConstraintErrors(path, checkTime, statuses);
        auto revocations = checkRevocation(path, dwFlags, stores, checkTime, statuses);
        const DWORD chainErrors = chainOnlyErrors(path);
        *ppChainContext =
            publish(std::make_unique<ChainRecord>(std::move(path), statuses, chainErrors, std::move(revocations)));
        return true;
    });
}

PCCERT_CHAIN_CONTEXT CertDuplicateCertificateChain(PCCERT_CHAIN_CONTEXT pChainContext) noexcept {
    return winValue<PCCERT_CHAIN_CONTEXT>(nullptr, [&]() -> PCCERT_CHAIN_CONTEXT {
        if (!pChainContext) return nullptr;
        if (const PCCERT_CHAIN_CONTEXT chain = addChainReference(pChainContext)) return chain;
        throw WinError(E_INVALIDARG, "not a chain context");
    });
}

void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT pChainContext) noexcept {
    try {
        dropChainReference(pChainContext);
    } catch (...) {
        // a lock that cannot be taken leaves the chain held rather than end the program
    }
}
