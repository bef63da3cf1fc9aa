#include "chain/crl_checks.h"

#include "platform/win_error.h"
#include "store/compare.h"
#include "store/file_time.h"
#include "win32/crypt_chain.h"
#include "win32/crypt_store.h"

namespace platform::crypt::chain {

namespace {

// The issuer names in force at each entry, walked in step with the entries.
class EntryIssuers {
public:
    EntryIssuers(const CRL_INFO& crl, const CrlFacts& facts)
        : m_runs(facts.entryIssuers), m_current{directoryName(store::viewOf(crl.Issuer))} {}

    const GeneralNames& at(DWORD index) {
        while (m_next < m_runs.size() && m_runs[m_next].first <= index) m_current = m_runs[m_next++].second;
        return m_current;
    }

private:
    const std::vector<std::pair<DWORD, GeneralNames>>& m_runs;
    std::size_t m_next = 0;
    GeneralNames m_current;
};

}  // namespace

bool crlCurrent(const CRL_INFO& crl, ULONGLONG now) {
    const ULONGLONG nextUpdate = store::ticksOf(crl.NextUpdate);
    return nextUpdate == 0 || now <= nextUpdate;
}

bool mayIssueCrls(PCCERT_CONTEXT cert) {
    BYTE usage = 0;
    // FALSE with no extension: the key is not restricted.
    return !CertGetIntendedKeyUsage(X509_ASN_ENCODING, cert->pCertInfo, &usage, 1) || (usage & CERT_CRL_SIGN_KEY_USAGE);
}

const CRL_ENTRY* entryFor(const CRL_INFO& crl, const CrlFacts& facts, const CERT_INFO& cert) {
    const GeneralNames certIssuer{directoryName(store::viewOf(cert.Issuer))};
    EntryIssuers issuers(crl, facts);
    const CRL_ENTRY* found = nullptr;
    for (DWORD i = 0; i < crl.cCRLEntry; ++i) {
        const CRL_ENTRY& entry = crl.rgCRLEntry[i];
        if (!store::sameInteger(store::viewOf(entry.SerialNumber), store::viewOf(cert.SerialNumber)) ||
            !anyInCommon(issuers.at(i), certIssuer))
            continue;
        const auto reason = reasonCodeOf(entry);
        if (reason != CRL_REASON_CERTIFICATE_HOLD && reason != CRL_REASON_REMOVE_FROM_CRL) return &entry;
        if (!found) found = &entry;
    }
    return found;
}

std::optional<int> reasonCodeOf(const CRL_ENTRY& entry) {
    const CERT_EXTENSION* ext = CertFindExtension(szOID_CRL_REASON_CODE, entry.cExtension, entry.rgExtension);
    if (!ext) return std::nullopt;
    try {
        return der::int32Of(der::readOuter(store::viewOf(ext->Value), der::kEnumerated).content);
    } catch (const WinError&) {
        return std::nullopt;
    }
}

}  // namespace platform::crypt::chain
