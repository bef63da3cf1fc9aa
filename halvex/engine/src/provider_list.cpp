#include "halvex/provider_list.h"

#include <memory>

#include "common/codepage.h"
#include "common/installed_providers.h"
#include "halvex/bstr.h"
#include "halvex/log.h"
#include "pentak_lib.h"
#include "win32/message.h"
#include "win32/oleauto.h"

namespace halvex {
namespace {

struct BuiltInProvider {
    const char16_t* name;
    DWORD flags;
};

// In the order they are inserted.
constexpr BuiltInProvider kBuiltInProviders[] = {
    {u"Zintra CSP", 0x1C},
    {u"KavloCSP", 0x17E},
    {u"Tesk Dravik CSP v1.0", 0x4},
    {u"Microsoft Enhanced RSA and AES Cryptographic Provider", 0x183},
    {u"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)", 0x183},
    {u"Microsoft Enhanced Cryptographic Provider v1.0", 0x183},
    {u"Microsoft Strong Cryptographic Provider", 0x183},
};

std::u16string SystemText(HRESULT result) {
    char16_t text[512] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(result), 0, text, 512, nullptr);
    std::u16string message(text, length);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r')) message.pop_back();
    return message;
}

// The enrolment object's answer for the provider; a refusal is logged.
bool SupportsSha256Rsa(IPentak& pentak, const std::u16string& name, DWORD type) {
    const Bstr providerName = MakeBstr(name);
    const Bstr oid = MakeBstr(kSha256RsaOid);
    HRESULT result = pentak.put_ProviderType(static_cast<LONG>(type));
    if (SUCCEEDED(result)) result = pentak.put_ProviderName(providerName.get());
    if (SUCCEEDED(result)) result = pentak.IsAlgOidSupported(oid.get());
    if (SUCCEEDED(result)) return true;
    TLogFile::GetInstance().Print(u"TCSPManager():GetCryptoCSPList(): error (sha2?) %s, %hs:%d",
                                  SystemText(result).c_str(), __FILE__, __LINE__);
    return false;
}

}  // namespace

TCSPManager::TCSPManager() {
    for (const auto& provider : kBuiltInProviders) SetProvider(provider.name, provider.flags, 1, 0);
}

TCSPManager::~TCSPManager() { m_providers.clear(); }

void TCSPManager::SetProvider(const std::u16string& name, DWORD flags, DWORD enabled, DWORD proof) {
    m_providers[name] = ProviderEntry{flags, enabled, proof};
}

std::optional<ProviderEntry> TCSPManager::Lookup(const std::u16string& name) const {
    const auto found = m_providers.find(name);
    if (found == m_providers.end()) return std::nullopt;
    return found->second;
}

bool TCSPManager::HasFlags(const std::u16string& name, DWORD flags) const {
    const auto entry = Lookup(name);
    return entry && (entry->flags & flags) != 0;
}

std::size_t TCSPManager::GetCryptoCSPList(std::vector<ListedProvider>& out, IPentak* sha2Test) const {
    out.clear();
    std::vector<TCryptProvider> installed;
    EnumInstalledProviders(installed, PROV_RSA_FULL);
    EnumInstalledProviders(installed, PROV_RSA_AES);
    for (const auto& provider : installed) {
        const std::u16string name = MultiByteToWide(provider.GetName(), CP_ACP);
        if (sha2Test && !SupportsSha256Rsa(*sha2Test, name, provider.GetType())) continue;
        out.push_back({name, provider.GetType(), Lookup(name).value_or(ProviderEntry{})});
    }
    return out.size();
}

}  // namespace halvex
