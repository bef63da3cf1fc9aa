#include "chain/chain_record.h"

#include <algorithm>

#include "platform/clock.h"
#include "store/file_time.h"

namespace platform::crypt::chain {

namespace {

// Info bits that describe one certificate and are not summed into chains.
constexpr DWORD kCertificateOnlyInfo = CERT_TRUST_HAS_EXACT_MATCH_ISSUER | CERT_TRUST_HAS_KEY_MATCH_ISSUER |
                                       CERT_TRUST_HAS_NAME_MATCH_ISSUER | CERT_TRUST_IS_SELF_SIGNED;

// Seconds since the CRL was issued.
DWORD ageOf(PCCRL_CONTEXT crl) {
    const ULONGLONG now = clock::nowFileTime(), issued = store::ticksOf(crl->pCrlInfo->ThisUpdate);
    return now > issued ? static_cast<DWORD>(std::min<ULONGLONG>((now - issued) / 10000000, 0xFFFFFFFFu)) : 0;
}

}  // namespace

ChainRecord::ChainRecord(Path path, const Statuses& statuses, DWORD chainErrors,
                         std::vector<std::optional<RevocationOutcome>> revocations) {
    const std::size_t count = path.links.size();
    m_elements.resize(count);
    m_simple.cbSize = sizeof(m_simple);
    m_simple.TrustStatus.dwErrorStatus = chainErrors;
    for (std::size_t i = 0; i < count; ++i) {
        CERT_CHAIN_ELEMENT& element = m_elements[i];
        element.cbSize = sizeof(element);
        m_certs.push_back(std::move(path.links[i].cert));
        element.pCertContext = m_certs.back().get();
        element.TrustStatus = statuses[i];
        if (revocations[i]) addRevocation(element, std::move(*revocations[i]));
        m_simple.TrustStatus.dwErrorStatus |= statuses[i].dwErrorStatus;
        m_simple.TrustStatus.dwInfoStatus |= statuses[i].dwInfoStatus & ~kCertificateOnlyInfo;
        m_elementList.push_back(&element);
    }
    m_simple.cElement = static_cast<DWORD>(count);
    m_simple.rgpElement = m_elementList.data();

    m_context.cbSize = sizeof(m_context);
    m_context.TrustStatus = m_simple.TrustStatus;
    m_context.cChain = 1;
    m_context.rgpChain = m_simpleList;
    m_context.fHasRevocationFreshnessTime = m_simple.fHasRevocationFreshnessTime;
    m_context.dwRevocationFreshnessTime = m_simple.dwRevocationFreshnessTime;
}

void ChainRecord::addRevocation(CERT_CHAIN_ELEMENT& element, RevocationOutcome outcome) {
    auto info = std::make_unique<CERT_REVOCATION_INFO>();
    info->cbSize = sizeof(*info);
    info->dwRevocationResult = outcome.result;
    if (outcome.crl) {
        auto crlInfo = std::make_unique<CERT_REVOCATION_CRL_INFO>();
        crlInfo->cbSize = sizeof(*crlInfo);
        crlInfo->pBaseCrlContext = outcome.crl.get();
        crlInfo->pDeltaCrlContext = outcome.delta.get();
        crlInfo->pCrlEntry = const_cast<PCRL_ENTRY>(outcome.entry);
        crlInfo->fDeltaCrlEntry = outcome.entryInDelta;
        info->fHasFreshnessTime = TRUE;
        info->dwFreshnessTime = ageOf(outcome.crl.get());
        info->pCrlInfo = crlInfo.get();
        m_simple.fHasRevocationFreshnessTime = TRUE;
        m_simple.dwRevocationFreshnessTime = std::max(m_simple.dwRevocationFreshnessTime, info->dwFreshnessTime);
        m_crls.push_back(std::move(outcome.crl));
        if (outcome.delta) m_crls.push_back(std::move(outcome.delta));
        m_crlInfos.push_back(std::move(crlInfo));
    }
    element.pRevocationInfo = info.get();
    m_revocations.push_back(std::move(info));
}

}  // namespace platform::crypt::chain
