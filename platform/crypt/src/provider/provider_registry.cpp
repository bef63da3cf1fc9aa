// The registry layout of providers and their defaults, and the layer's
// interface to change it.
#include "provider_registry.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "platform/crypt_providers.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/registry.h"

namespace platform::crypt {

namespace provider {

namespace {

constexpr char16_t kProviders[] = u"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider";
constexpr char16_t kMachineTypes[] = u"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider Types";
constexpr char16_t kUserTypes[] = u"Software\\Microsoft\\Cryptography";
constexpr char16_t kBuiltInImage[] = u"rsaenh.dll";

struct BuiltInProvider {
    const char16_t* name;
    DWORD type;
};
constexpr std::array<BuiltInProvider, 5> kBuiltIns{{
    {u"Microsoft Base Cryptographic Provider v1.0", PROV_RSA_FULL},
    {u"Microsoft Enhanced Cryptographic Provider v1.0", PROV_RSA_FULL},
    {u"Microsoft Strong Cryptographic Provider", PROV_RSA_FULL},
    {u"Microsoft Enhanced RSA and AES Cryptographic Provider", PROV_RSA_AES},
    {u"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)", PROV_RSA_AES},
}};

struct BuiltInDefault {
    DWORD type;
    const char16_t* name;
    const char16_t* typeName;
};
constexpr std::array<BuiltInDefault, 2> kDefaults{{
    {PROV_RSA_FULL, u"Microsoft Strong Cryptographic Provider", u"RSA Full (Signature and Key Exchange)"},
    {PROV_RSA_AES, u"Microsoft Enhanced RSA and AES Cryptographic Provider", u"RSA Full and AES"},
}};

void check(LONG rc, const std::string& what) {
    if (rc != ERROR_SUCCESS) throw WinError(static_cast<DWORD>(rc), what);
}

class RegistryKey {
public:
    static std::optional<RegistryKey> open(HKEY root, const std::u16string& path) {
        HKEY h = nullptr;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return std::nullopt;
        return RegistryKey(h);
    }
    static RegistryKey create(HKEY root, const std::u16string& path) {
        HKEY h = nullptr;
        check(RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                              &h, nullptr),
              "RegCreateKeyEx " + text::toUtf8(path));
        return RegistryKey(h);
    }
    RegistryKey(RegistryKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey& operator=(RegistryKey&&) = delete;
    ~RegistryKey() {
        if (m_key) RegCloseKey(m_key);
    }

    std::optional<std::u16string> text(const char16_t* name) const {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return std::nullopt;
        std::u16string value(size / sizeof(char16_t), u'\0');
        if (RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        value.resize(text::length(value.c_str()));
        return value;
    }
    std::optional<DWORD> number(const char16_t* name) const {
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return std::nullopt;
        return value;
    }
    void setText(const char16_t* name, std::u16string_view value) {
        const std::u16string withNul(value);
        check(RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(withNul.c_str()),
                             static_cast<DWORD>((withNul.size() + 1) * sizeof(char16_t))),
              "RegSetValueEx");
    }
    void setNumber(const char16_t* name, DWORD value) {
        check(RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              "RegSetValueEx");
    }
    std::vector<std::u16string> subkeys() const {
        std::vector<std::u16string> names;
        for (DWORD i = 0;; ++i) {
            char16_t name[256];
            DWORD size = 256;
            if (RegEnumKeyExW(m_key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.emplace_back(name, size);
        }
        return names;
    }

private:
    explicit RegistryKey(HKEY key) : m_key(key) {}
    HKEY m_key;
};

std::u16string providerPath(std::u16string_view name) { return std::u16string(kProviders) + u"\\" + std::u16string(name); }

std::u16string typeKeyName(DWORD type) {
    char name[32];
    std::snprintf(name, sizeof name, "Type %03u", static_cast<unsigned>(type));
    return text::fromUtf8(name);
}
std::u16string machineTypePath(DWORD type) { return std::u16string(kMachineTypes) + u"\\" + typeKeyName(type); }
std::u16string userTypePath(DWORD type) { return std::u16string(kUserTypes) + u"\\Provider " + typeKeyName(type); }

void ensureBuiltIns() {
    for (const auto& p : kBuiltIns) {
        if (RegistryKey::open(HKEY_LOCAL_MACHINE, providerPath(p.name))) continue;
        RegistryKey key = RegistryKey::create(HKEY_LOCAL_MACHINE, providerPath(p.name));
        key.setNumber(u"Type", p.type);
        key.setText(u"Image Path", kBuiltInImage);
    }
    for (const auto& d : kDefaults) {
        if (RegistryKey::open(HKEY_LOCAL_MACHINE, machineTypePath(d.type))) continue;
        RegistryKey key = RegistryKey::create(HKEY_LOCAL_MACHINE, machineTypePath(d.type));
        key.setText(u"Name", d.name);
        key.setText(u"TypeName", d.typeName);
    }
}

std::optional<ProviderEntry> readEntry(const std::u16string& name) {
    const auto key = RegistryKey::open(HKEY_LOCAL_MACHINE, providerPath(name));
    if (!key) return std::nullopt;
    const auto type = key->number(u"Type");
    const auto image = key->text(u"Image Path");
    if (!type || !image) throw WinError(NTE_PROV_TYPE_ENTRY_BAD, "provider entry without type or image");
    return ProviderEntry{name, *type, *image};
}

std::optional<std::u16string> defaultIn(HKEY root, const std::u16string& path) {
    const auto key = RegistryKey::open(root, path);
    if (!key) return std::nullopt;
    return key->text(u"Name");
}

}  // namespace

std::optional<ProviderEntry> findProvider(std::u16string_view name) {
    ensureBuiltIns();
    const auto key = RegistryKey::open(HKEY_LOCAL_MACHINE, std::u16string(kProviders));
    if (!key) return std::nullopt;
    // The registered spelling of the name, which PP_NAME reports.
    for (const auto& registered : key->subkeys())
        if (text::equalsNoCase(registered, name)) return readEntry(registered);
    return std::nullopt;
}

std::vector<ProviderEntry> listProviders() {
    ensureBuiltIns();
    std::vector<ProviderEntry> entries;
    if (const auto key = RegistryKey::open(HKEY_LOCAL_MACHINE, std::u16string(kProviders)))
        for (const auto& name : key->subkeys())
            if (auto entry = readEntry(name)) entries.push_back(std::move(*entry));
    std::sort(entries.begin(), entries.end(),
              [](const ProviderEntry& a, const ProviderEntry& b) { return text::compareNoCase(a.name, b.name) < 0; });
    return entries;
}

std::optional<std::u16string> defaultProviderName(DWORD type, bool user) {
    ensureBuiltIns();
    if (user)
        if (auto name = defaultIn(HKEY_CURRENT_USER, userTypePath(type)); name && !name->empty()) return name;
    return defaultIn(HKEY_LOCAL_MACHINE, machineTypePath(type));
}

bool isBuiltInImage(std::u16string_view imagePath) { return text::equalsNoCase(imagePath, kBuiltInImage); }

}  // namespace provider

void registerCardProvider(std::u16string_view name, const std::filesystem::path& module, DWORD type) {
    provider::RegistryKey key = provider::RegistryKey::create(HKEY_LOCAL_MACHINE, provider::providerPath(name));
    key.setNumber(u"Type", type);
    key.setText(u"Image Path", paths::toWide(module));
}

void unregisterProvider(std::u16string_view name) {
    const LONG rc = RegDeleteTreeW(HKEY_LOCAL_MACHINE, provider::providerPath(name).c_str());
    if (rc != ERROR_SUCCESS && rc != static_cast<LONG>(ERROR_FILE_NOT_FOUND))
        throw WinError(static_cast<DWORD>(rc), "RegDeleteTree");
}

void setDefaultProvider(DWORD type, std::u16string_view name, DefaultScope scope) {
    if (scope == DefaultScope::Machine) {
        provider::RegistryKey::create(HKEY_LOCAL_MACHINE, provider::machineTypePath(type)).setText(u"Name", name);
        return;
    }
    provider::RegistryKey::create(HKEY_CURRENT_USER, provider::userTypePath(type)).setText(u"Name", name);
}

}  // namespace platform::crypt
