// CryptAcquireContext, CryptReleaseContext, CryptEnumProviders and
// CryptGetDefaultProvider.
#include <string>

#include "handles.h"
#include "out_text.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

constexpr DWORD kAcquireFlags =
    CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET | CRYPT_MACHINE_KEYSET | CRYPT_SILENT |
    CRYPT_DEFAULT_CONTAINER_OPTIONAL;
constexpr DWORD kMaxProviderType = 999;

void checkType(DWORD type) {
    if (type == 0 || type > kMaxProviderType) throw WinError(NTE_BAD_PROV_TYPE, "provider type out of range");
}

void checkAcquireFlags(DWORD flags) {
    const bool verify = flags & CRYPT_VERIFYCONTEXT;
    const bool create = flags & CRYPT_NEWKEYSET;
    const bool remove = flags & CRYPT_DELETEKEYSET;
    if ((flags & ~kAcquireFlags) || (create && remove) || (verify && (create || remove)))
        throw WinError(NTE_BAD_FLAGS, "CryptAcquireContext flags");
}

bool acquire(HCRYPTPROV* phProv, std::optional<std::u16string> container, std::optional<std::u16string> provider,
             DWORD type, DWORD flags) {
    if (!phProv) throw WinError(ERROR_INVALID_PARAMETER, "null phProv");
    checkAcquireFlags(flags);
    checkType(type);
    if (!provider || provider->empty()) {
        provider = defaultProviderName(type, true);
        if (!provider) throw WinError(NTE_PROV_TYPE_NOT_DEF, "no default provider of the type");
    }
    auto entry = findProvider(*provider);
    if (!entry) throw WinError(NTE_KEYSET_NOT_DEF, "no provider " + text::toUtf8(*provider));
    if (entry->type != type) throw WinError(NTE_PROV_TYPE_NO_MATCH, "the provider is of another type");

    auto context = std::make_shared<ProviderContext>();
    context->csp = openCsp(*entry);
    const KeysetRequest request{std::move(container), flags};
    if (flags & CRYPT_DELETEKEYSET) {
        context->csp->deleteKeyset(request);
        *phProv = 0;
        return true;
    }
    context->keyset = context->csp->acquire(request);
    context->provider = std::move(*entry);
    context->handle = contexts().add(context);
    *phProv = context->handle;
    return true;
}

std::optional<std::u16string> wide(LPCWSTR s) { return s ? std::optional<std::u16string>(s) : std::nullopt; }
std::optional<std::u16string> wide(LPCSTR s) {
    return s ? std::optional<std::u16string>(text::toWide(s, CP_ACP)) : std::nullopt;
}

template <class Char>
bool enumProviders(DWORD index, DWORD* reserved, DWORD flags, DWORD* type, Char* name, DWORD* pcbName) {
    if (reserved || !type) throw WinError(ERROR_INVALID_PARAMETER, "CryptEnumProviders arguments");
    if (flags) throw WinError(NTE_BAD_FLAGS, "CryptEnumProviders flags");
    const auto providers = listProviders();
    if (index >= providers.size()) throw WinError(ERROR_NO_MORE_ITEMS, "no more providers");
    *type = providers[index].type;
    if constexpr (sizeof(Char) == 1)
        copyOutAnsi(providers[index].name, reinterpret_cast<BYTE*>(name), pcbName);
    else
        copyOutWideBytes(providers[index].name, reinterpret_cast<BYTE*>(name), pcbName);
    return true;
}

template <class Char>
bool defaultProvider(DWORD type, DWORD* reserved, DWORD flags, Char* name, DWORD* pcbName) {
    if (reserved) throw WinError(ERROR_INVALID_PARAMETER, "pdwReserved must be null");
    if (flags != CRYPT_MACHINE_DEFAULT && flags != CRYPT_USER_DEFAULT)
        throw WinError(NTE_BAD_FLAGS, "CryptGetDefaultProvider flags");
    checkType(type);
    const auto found = defaultProviderName(type, flags == CRYPT_USER_DEFAULT);
    if (!found) throw WinError(NTE_PROV_TYPE_NOT_DEF, "no default provider of the type");
    if constexpr (sizeof(Char) == 1)
        copyOutAnsi(*found, reinterpret_cast<BYTE*>(name), pcbName);
    else
        copyOutWideBytes(*found, reinterpret_cast<BYTE*>(name), pcbName);
    return true;
}

}  // namespace

}  // namespace platform::crypt::provider

using namespace platform::crypt::provider;

BOOL CryptAcquireContextA(HCRYPTPROV* phProv, LPCSTR szContainer, LPCSTR szProvider, DWORD dwProvType,
                          DWORD dwFlags) noexcept {
    return platform::winBool([&] { return acquire(phProv, wide(szContainer), wide(szProvider), dwProvType, dwFlags); });
}

BOOL CryptAcquireContextW(HCRYPTPROV* phProv, LPCWSTR szContainer, LPCWSTR szProvider, DWORD dwProvType,
                          DWORD dwFlags) noexcept {
    return platform::winBool([&] { return acquire(phProv, wide(szContainer), wide(szProvider), dwProvType, dwFlags); });
}

BOOL CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) noexcept {
    return platform::winBool([&] {
        contexts().remove(hProv);
        if (dwFlags) throw platform::WinError(NTE_BAD_FLAGS, "CryptReleaseContext flags");
        return true;
    });
}

BOOL CryptEnumProvidersA(DWORD dwIndex, DWORD* pdwReserved, DWORD dwFlags, DWORD* pdwProvType, LPSTR szProvName,
                         DWORD* pcbProvName) noexcept {
    return platform::winBool(
        [&] { return enumProviders(dwIndex, pdwReserved, dwFlags, pdwProvType, szProvName, pcbProvName); });
}

BOOL CryptEnumProvidersW(DWORD dwIndex, DWORD* pdwReserved, DWORD dwFlags, DWORD* pdwProvType, LPWSTR szProvName,
                         DWORD* pcbProvName) noexcept {
    return platform::winBool(
        [&] { return enumProviders(dwIndex, pdwReserved, dwFlags, pdwProvType, szProvName, pcbProvName); });
}

BOOL CryptGetDefaultProviderA(DWORD dwProvType, DWORD* pdwReserved, DWORD dwFlags, LPSTR pszProvName,
                              DWORD* pcbProvName) noexcept {
    return platform::winBool(
        [&] { return defaultProvider(dwProvType, pdwReserved, dwFlags, pszProvName, pcbProvName); });
}

BOOL CryptGetDefaultProviderW(DWORD dwProvType, DWORD* pdwReserved, DWORD dwFlags, LPWSTR pszProvName,
                              DWORD* pcbProvName) noexcept {
    return platform::winBool(
        [&] { return defaultProvider(dwProvType, pdwReserved, dwFlags, pszProvName, pcbProvName); });
}
