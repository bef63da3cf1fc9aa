// providers.cpp: listing providers, their algorithms and their containers.
#include "providers.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "container_names.h"
#include "known_providers.h"
#include "win32/error.h"
#include "win32/text.h"

namespace {

bool sameName(const std::u16string& a, const std::u16string& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// A verify context of the provider; 0 when it cannot be acquired.
HCRYPTPROV verifyContext(const std::u16string& provider, DWORD type) {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextW(&handle, nullptr, provider.c_str(), type, CRYPT_VERIFYCONTEXT)) return 0;
    return handle;
}

// The provider at that index of CryptoAPI's list; false past its end.
bool providerAt(DWORD index, TCryptProviderW& out) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (!CryptEnumProvidersW(index, nullptr, 0, &type, nullptr, &bytes)) return false;
    std::u16string name(bytes / sizeof(char16_t), u'\0');
    if (!CryptEnumProvidersW(index, nullptr, 0, &type, name.data(), &bytes)) return false;
    name.resize(std::char_traits<char16_t>::length(name.c_str()));
    out = {std::move(name), type, {}};
    return true;
}

}  // namespace

DWORD TCryptoapi::EnumProviders(std::vector<TCryptProviderW>& out, DWORD type) {
    TCryptProviderW provider;
    for (DWORD index = 0; providerAt(index, provider); ++index)
        if (type == 0 || provider.type == type) out.push_back(provider);
    const TCryptProviderW& kavlo = *FindKnownProvider(kKavloCspName);
    if (type != 0 && type != kavlo.type) return static_cast<DWORD>(out.size());
    const bool listed = std::any_of(out.begin(), out.end(), [&](const TCryptProviderW& p) {
        return sameName(p.name, kavlo.name) && (p.type == 0 || p.type == kavlo.type);
    });
    if (!listed)
        if (const HCRYPTPROV handle = verifyContext(kavlo.name, kavlo.type)) {
            CryptReleaseContext(handle, 0);
            out.push_back(kavlo);
        }
    return static_cast<DWORD>(out.size());
}

bool LoadProviderAlgorithms(TCryptProviderW& provider) {
    if (provider.name == kGpk4000Csp) {
        provider.algorithms = Gpk4000Algorithms();
        return true;
    }
    const HCRYPTPROV handle = verifyContext(provider.name, provider.type);
    if (!handle) return false;
    std::vector<PROV_ENUMALGS_EX> algorithms;
    PROV_ENUMALGS_EX record{};
    DWORD size = sizeof record;
    for (DWORD flags = CRYPT_FIRST;
         CryptGetProvParam(handle, PP_ENUMALGS_EX, reinterpret_cast<BYTE*>(&record), &size, flags);
         flags = CRYPT_NEXT, size = sizeof record)
        algorithms.push_back(record);
    const DWORD error = GetLastError();
    CryptReleaseContext(handle, 0);
    SetLastError(error);
    if (error != ERROR_NO_MORE_ITEMS) return false;
    provider.algorithms = std::move(algorithms);
    return true;
}

bool TCryptoapi::FindProviderAlgorithm(const std::u16string& provider, DWORD type, ALG_ID algId,
                                       PROV_ENUMALGS_EX& out) {
    auto it = std::find_if(m_lookedUpProviders.begin(), m_lookedUpProviders.end(),
                           [&](const TCryptProviderW& p) { return p.name == provider && p.type == type; });
    if (it == m_lookedUpProviders.end()) {
        TCryptProviderW loaded{provider, type, {}};
        if (!LoadProviderAlgorithms(loaded)) return Failed();
        it = m_lookedUpProviders.insert(m_lookedUpProviders.end(), std::move(loaded));
    }
    const PROV_ENUMALGS_EX* found = FindAlgorithm(it->algorithms, algId);
    if (!found) return false;
    out = *found;
    return true;
}

void ProvidersByName(const std::u16string& name, std::vector<TCryptProviderW>& out) {
    std::vector<TCryptProviderW> all;
    TCryptoapi::EnumProviders(all, 0);
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                 [&](const TCryptProviderW& provider) { return provider.name == name; });
}

bool ProviderListHas(const std::vector<TCryptProviderW>& list, const std::u16string& name, DWORD type) {
    return std::any_of(list.begin(), list.end(), [&](const TCryptProviderW& provider) {
        return provider.name == name && (provider.type == 0 || provider.type == type);
    });
}

const PROV_ENUMALGS_EX* FindAlgorithm(const std::vector<PROV_ENUMALGS_EX>& algorithms, ALG_ID algId) {
    const auto it = std::find_if(algorithms.begin(), algorithms.end(),
                                 [&](const PROV_ENUMALGS_EX& record) { return record.aiAlgid == algId; });
    return it == algorithms.end() ? nullptr : &*it;
}

ALG_ID AlgIdOfKeySpec(DWORD keySpec) { return keySpec == AT_SIGNATURE ? CALG_RSA_SIGN : CALG_RSA_KEYX; }

bool ProviderVersion(HCRYPTPROV provider, DWORD& version) {
    DWORD size = sizeof version;
    return CryptGetProvParam(provider, PP_VERSION, reinterpret_cast<BYTE*>(&version), &size, 0) != FALSE;
}

bool TCryptoapi::EnumProviderContainers(const std::u16string& provider, DWORD type,
                                        const std::u16string& readerFilter, std::vector<std::u16string>& out) {
    const HCRYPTPROV handle = verifyContext(provider, type);
    if (!handle) return Failed();
    std::vector<std::string> names;
    EnumContainers(handle, names);
    CryptReleaseContext(handle, 0);
    std::vector<std::u16string> containers;
    for (const std::string& name : names) {
        std::u16string container = MultiByteToWide(name, CP_ACP);
        if (!readerFilter.empty()) {
            HCRYPTPROV opened = 0;
            const std::u16string full = JoinContainerName(readerFilter, container);
            if (!CryptAcquireContextW(&opened, full.c_str(), provider.c_str(), type, 0)) continue;
            CryptReleaseContext(opened, 0);
        }
        containers.push_back(std::move(container));
    }
    out = std::move(containers);
    return true;
}
