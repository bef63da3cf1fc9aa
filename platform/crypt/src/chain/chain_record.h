// The CERT_CHAIN_CONTEXT a caller reads, with everything it points to and
// the contexts it holds.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "chain/element_checks.h"
#include "chain/revocation.h"

namespace platform::crypt::chain {

class ChainRecord {
public:
    // Takes the path's contexts and the revocation CRLs. Element statuses
    // are summed into the simple chain with `chainErrors`, without the info
    // bits that describe one certificate only.
    ChainRecord(Path path, const Statuses& statuses, DWORD chainErrors,
                std::vector<std::optional<RevocationOutcome>> revocations);
    ChainRecord(const ChainRecord&) = delete;
    ChainRecord& operator=(const ChainRecord&) = delete;

    PCCERT_CHAIN_CONTEXT context() const noexcept { return &m_context; }

private:
    void addRevocation(CERT_CHAIN_ELEMENT& element, RevocationOutcome outcome);

    CERT_CHAIN_CONTEXT m_context{};
    CERT_SIMPLE_CHAIN m_simple{};
    PCERT_SIMPLE_CHAIN m_simpleList[1] = {&m_simple};
    std::vector<CERT_CHAIN_ELEMENT> m_elements;
    std::vector<PCERT_CHAIN_ELEMENT> m_elementList;
    // One each per revocation outcome, at stable addresses.
    std::vector<std::unique_ptr<CERT_REVOCATION_INFO>> m_revocations;
    std::vector<std::unique_ptr<CERT_REVOCATION_CRL_INFO>> m_crlInfos;
    std::vector<CertRef> m_certs;
    std::vector<CrlRef> m_crls;
};

}  // namespace platform::crypt::chain
