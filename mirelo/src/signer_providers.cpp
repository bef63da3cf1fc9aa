// The signer's choice of cryptographic service provider and the
// process-wide provider list behind it.
#include <utility>

#include "common/log.h"
#include "signer.h"

namespace {

// Providers whose failure has a text of its own, naming them.
constexpr std::pair<const char*, LONG> kNamedFailures[] = {
    {"KavloCSP", 5007},
    {"Zintra CSP", 5006},
    {"Tesk Dravik CSP v1.0", 5002},
};

}  // namespace

std::string TSigner::GetCurrentCSP() const {
    SIGNER_TRACE();
    const std::string name = m_csp.GetName();
    Log(sgLogLevelDebug, "csp is: " + name);
    return name;
}

bool TSigner::SetCurrentCSP(const std::string& name) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "csp_name: " + name.substr(0, 32));
    return Record(SetCSP(name), name);
}

LONG TSigner::SetCSP(const std::string& name) {
    if (name.empty()) return static_cast<LONG>(kErrCspUnusable);
    Log(sgLogLevelDebug, "SetCSP(): '" + name + "' is requested");
    const auto result = static_cast<LONG>(m_csp.OpenProvider(name, m_listProviderCertificates));
    if (result == static_cast<LONG>(kErrCspUnusable)) {
        for (const auto& [provider, number] : kNamedFailures)
            if (name == provider) return number;
        return result;
    }
    Log(sgLogLevelDebug, "SetCSP(): '" + name + "' is set");
    return result;
}

bool TSigner::ProvidersClear() {
    SIGNER_TRACE();
    TCSPManager::ClearProviders();
    return true;
}

DWORD TSigner::ProvidersGetCount() const {
    SIGNER_TRACE();
    return static_cast<DWORD>(TCSPManager::GetProviderCount());
}

bool TSigner::ProvidersEnum(DWORD index, std::string& name) {
    SIGNER_TRACE();
    SscdProviderRecord record;
    if (!TCSPManager::GetProvider(index, record)) return Record(kErrOutOfRange);
    name = record.name;
    return Record(0);
}
