// CEnroll: the providers a session can choose and what its provider can do.
#include <charconv>

#include "common/cryptoapi.h"
#include "containers.h"
#include "enroll.h"
#include "enroll_report.h"
#include "providers.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace {

constexpr DWORD kProviderNameLength = 260;  // characters, the terminator included

}  // namespace

BOOL CEnroll::EnumProviders(LONG index) {
    m_providerName = u"";
    LONG counted = 0;
    for (DWORD at = 0;; ++at) {
        char16_t name[kProviderNameLength] = {};
        DWORD type = 0;
        DWORD bytes = sizeof name;
        if (!CryptEnumProvidersW(at, nullptr, 0, &type, name, &bytes)) {
            if (GetLastError() == ERROR_NO_MORE_ITEMS) return TRUE;
            return FailedAt(3777, "API funkce CryptEnumProviders");
        }
        if (m_providerType != 0 && type != m_providerType) continue;
        if (counted++ == index) {
            m_providerName = name;
            m_providerType = type;
            return TRUE;
        }
    }
}

DWORD CEnroll::GetProviderVersion(std::u16string& version) {
    const std::u16string provider = m_providerName.value_or(u"");
    if (provider.empty()) return static_cast<DWORD>(NTE_BAD_PROVIDER);
    AcquiredContext context;
    DWORD number = 0;
    if (!context.Acquire(u"", provider, m_providerType, CRYPT_VERIFYCONTEXT) || !ProviderVersion(context.get(), number))
        return ResultFromStatus(false, GetLastError());
    char text[8];
    const auto end = std::to_chars(text, text + sizeof text, number, 16).ptr;
    version.assign(text, end);
    return 0;
}

DWORD CEnroll::IsKeylenSupported(DWORD bits) {
    const std::u16string provider = m_providerName.value_or(u"");
    if (provider.empty()) return static_cast<DWORD>(NTE_BAD_PROVIDER);
    TCryptoapi api;
    PROV_ENUMALGS_EX algorithm{};
    if (!api.FindProviderAlgorithm(provider, m_providerType, AlgIdOfKeySpec(m_keySpec), algorithm))
        return api.GetLastErrorCode() != 0 ? api.GetLastErrorCode() : ERROR_NOT_SUPPORTED;
    return bits >= algorithm.dwMinLen && bits <= algorithm.dwMaxLen ? 0 : ERROR_NOT_SUPPORTED;
}

DWORD CEnroll::GetDefaultOSCSP(std::u16string& provider) {
    DWORD bytes = 0;
    if (!CryptGetDefaultProviderW(m_providerType, nullptr, CRYPT_USER_DEFAULT, nullptr, &bytes))
        return ResultFromStatus(false, GetLastError());
    std::u16string name(bytes / sizeof(char16_t), u'\0');
    if (!CryptGetDefaultProviderW(m_providerType, nullptr, CRYPT_USER_DEFAULT, name.data(), &bytes))
        return ResultFromStatus(false, GetLastError());
    name.resize(std::char_traits<char16_t>::length(name.c_str()));
    provider = std::move(name);
    return 0;
}
