// csp_manager.cpp: the process-wide list of provider records and
// TCSPManager, which opens a provider by name.
#include "common/csp_manager.h"

#include <vector>

#include "common/installed_providers.h"
#include "win32/text.h"

namespace {

struct ProviderList {
    std::vector<SscdProviderRecord> records;
    bool builtInsPut = false;
};

// Used on the signing component's apartment thread only, so not guarded.
ProviderList& providers() {
    static ProviderList list;
    return list;
}

const SscdProviderRecord kBuiltInProviders[] = {
    {"Zintra CSP", 28, 1},
    {"KavloCSP", 60, 1},
    {"Tesk Dravik CSP v1.0", 4, 1},
    {"Microsoft Enhanced Cryptographic Provider v1.0", 3, 1},
    {"Microsoft Strong Cryptographic Provider", 3, 1},
    {"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)", 3, 1},
    {"Microsoft Enhanced RSA and AES Cryptographic Provider", 3, 1},
};

constexpr char kAllInstalled[] = "*";

// The first record whose name is not empty and equals name in any case.
SscdProviderRecord* findRecord(const std::string& name) {
    for (SscdProviderRecord& record : providers().records)
        if (!record.name.empty() && lstrcmpiA(record.name.c_str(), name.c_str()) == 0) return &record;
    return nullptr;
}

}  // namespace

bool GetProviderByName(const std::string& name, SscdProviderRecord& out) {
    const SscdProviderRecord* record = findRecord(name);
    if (!record) return false;
    out = *record;
    return true;
}

TCSPManager::TCSPManager() { InitDefaultProviders(); }

TCSPManager::~TCSPManager() = default;

std::size_t TCSPManager::GetProviderCount() { return providers().records.size(); }

bool TCSPManager::GetProvider(std::size_t index, SscdProviderRecord& out) {
    if (index >= providers().records.size()) return false;
    out = providers().records[index];
    return true;
}

bool TCSPManager::ProviderHasFlags(const std::string& name, DWORD flags) {
    const SscdProviderRecord* record = findRecord(name);
    return record && record->enabled && (record->flags & flags) != 0;
}

void TCSPManager::ClearProviders() { providers().records.clear(); }

void TCSPManager::InitDefaultProviders() {
    ProviderList& list = providers();
    if (list.builtInsPut) return;
    list.records.assign(std::begin(kBuiltInProviders), std::end(kBuiltInProviders));
    list.builtInsPut = true;
}

void TCSPManager::ConfigureProvider(const std::string& name, DWORD flags) {
    std::vector<SscdProviderRecord>& records = providers().records;
    if (name == kAllInstalled) {
        std::vector<TCryptProvider> installed;
        EnumInstalledProviders(installed, PROV_RSA_FULL);
        EnumInstalledProviders(installed, PROV_RSA_AES);
        records.clear();
        for (const TCryptProvider& provider : installed) records.emplace_back(provider.GetName(), flags, 1);
        return;
    }
    if (SscdProviderRecord* record = findRecord(name)) {
        record->flags = flags;
        record->enabled = 1;
        return;
    }
    records.emplace_back(name, flags, 1);
}

DWORD TCSPManager::OpenProvider(const std::string& name, bool enumerateCertificates) {
    SscdProviderRecord record;
    const bool secureDevice = GetProviderByName(name, record) && (record.flags & kProviderSecureDevice) != 0;
    const DWORD result =
        EnumContainerCertificates(name, GetInstalledProviderType(name), secureDevice && enumerateCertificates);
    if (result != 0) UseDefaultProvider(PROV_RSA_FULL);
    return result;
}

bool TCSPManager::CertProviderHasFlags(DWORD flags) const {
    SscdProviderRecord record;
    return GetProviderByName(m_name, record) && (record.flags & flags) != 0;
}

void TCSPManager::UseDefaultProvider(DWORD type) {
    if (std::string name; GetDefaultCspName(name, type)) EnumContainerCertificates(name, type, false);
}
