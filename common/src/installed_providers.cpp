// installed_providers.cpp: the providers CryptoAPI lists, the process-wide
// list of those of types 1 and 24, algorithm support and machine defaults.
#include "common/installed_providers.h"

#include <algorithm>
#include <cstring>

#include "win32/crypt_provider.h"
#include "win32/text.h"

namespace {

static_assert(sizeof(PROV_ENUMALGS_EX) == 88, "PP_ENUMALGS_EX reads the 88-byte record");

// The smart-card providers that keep one certificate per key container.
constexpr const char* kSingleCertificateCards[] = {"Tesk Dravik v1.0", "Tesk Dravik CSP v1.0", "Zintra CSP"};

std::vector<TCryptProvider>& installed() {
    static std::vector<TCryptProvider> list;
    return list;
}

}  // namespace

std::size_t EnumInstalledProviders(std::vector<TCryptProvider>& out, DWORD type) {
    for (DWORD index = 0;; ++index) {
        DWORD providerType = 0;
        DWORD size = 0;
        if (!CryptEnumProvidersA(index, nullptr, 0, &providerType, nullptr, &size)) break;
        std::vector<char> name(size, '\0');
        if (!CryptEnumProvidersA(index, nullptr, 0, &providerType, name.data(), &size)) break;
        if (type == 0 || providerType == type) out.emplace_back(name.data(), providerType);
    }
    return out.size();
}

void FillInstalledProviders(bool force) {
    std::vector<TCryptProvider>& list = installed();
    if (!list.empty() && !force) return;
    EnumInstalledProviders(list, PROV_RSA_FULL);
    EnumInstalledProviders(list, PROV_RSA_AES);
}

const std::vector<TCryptProvider>& InstalledProviders() { return installed(); }

DWORD GetInstalledProviderType(const std::string& name) {
    for (const TCryptProvider& provider : installed())
        if (lstrcmpiA(provider.GetName().c_str(), name.c_str()) == 0) return provider.GetType();
    return 0;
}

bool ProviderSupportsAlg(HCRYPTPROV provider, ALG_ID algId) {
    if (!provider) return false;
    PROV_ENUMALGS_EX algorithm{};
    for (DWORD flags = CRYPT_FIRST;; flags = 0) {
        DWORD size = sizeof algorithm;
        if (!CryptGetProvParam(provider, PP_ENUMALGS_EX, reinterpret_cast<BYTE*>(&algorithm), &size, flags))
            return false;
        if (algorithm.aiAlgid == algId) return true;
    }
}

bool ProviderSupportsAlg(const TCryptProvider& provider, ALG_ID algId) {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, nullptr, provider.GetName().c_str(), provider.GetType(), CRYPT_VERIFYCONTEXT))
        return false;
    const bool supported = ProviderSupportsAlg(handle, algId);
    CryptReleaseContext(handle, 0);
    return supported;
}

bool IsPlainProvider(const std::string& name) {
    return std::none_of(std::begin(kSingleCertificateCards), std::end(kSingleCertificateCards),
                        [&](const char* card) { return name == card; });
}

bool GetDefaultCspName(std::string& out, DWORD type) {
    DWORD size = 0;
    if (!CryptGetDefaultProviderA(type, nullptr, CRYPT_MACHINE_DEFAULT, nullptr, &size) || size == 0) return false;
    std::vector<char> name(size, '\0');
    if (!CryptGetDefaultProviderA(type, nullptr, CRYPT_MACHINE_DEFAULT, name.data(), &size)) return false;
    out = name.data();
    return true;
}
