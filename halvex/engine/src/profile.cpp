#include "halvex/profile.h"

#include "common/reg.h"
#include "win32/registry.h"

namespace halvex {
namespace {

std::u16string SectionKey(const std::u16string& section) { return std::u16string(kProfileKey) + u"\\" + section; }

class SectionKeyHandle {
public:
    SectionKeyHandle(const std::u16string& section, bool create) {
        const std::u16string path = SectionKey(section);
        const LONG result = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                                     REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &m_key,
                                                     nullptr)
                                   : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &m_key);
        if (result != ERROR_SUCCESS) m_key = nullptr;
    }
    ~SectionKeyHandle() {
        if (m_key) RegCloseKey(m_key);
    }
    SectionKeyHandle(const SectionKeyHandle&) = delete;
    SectionKeyHandle& operator=(const SectionKeyHandle&) = delete;

    HKEY get() const noexcept { return m_key; }

private:
    HKEY m_key = nullptr;
};

bool SetValue(const std::u16string& section, const std::u16string& entry, DWORD type, const void* data, DWORD size) {
    const SectionKeyHandle key(section, true);
    return key.get() &&
           RegSetValueExW(key.get(), entry.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

}  // namespace

std::u16string GetProfileString(const std::u16string& section, const std::u16string& entry,
                                const std::u16string& fallback) {
    const SectionKeyHandle key(section, false);
    if (!key.get()) return fallback;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), entry.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return fallback;
    std::u16string value(size / sizeof(char16_t) + 1, u'\0');
    size = static_cast<DWORD>(value.size() * sizeof(char16_t));
    if (RegQueryValueExW(key.get(), entry.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return fallback;
    value.resize(value.find(u'\0') == std::u16string::npos ? size / sizeof(char16_t) : value.find(u'\0'));
    return value;
}

DWORD GetProfileInt(const std::u16string& section, const std::u16string& entry, DWORD fallback) {
    const SectionKeyHandle key(section, false);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!key.get() ||
        RegQueryValueExW(key.get(), entry.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return fallback;
    return value;
}

bool WriteProfileString(const std::u16string& section, const std::u16string& entry, const std::u16string& value) {
    return SetValue(section, entry, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

bool WriteProfileInt(const std::u16string& section, const std::u16string& entry, DWORD value) {
    return SetValue(section, entry, REG_DWORD, &value, sizeof value);
}

void InitAppVersion() {
    CReg workspace;
    std::u16string version;
    if (!workspace.Open(HKEY_CURRENT_USER, SectionKey(kWorkspaceSection).c_str(), true) ||
        !workspace.QueryString("AppVersion", version))
        WriteProfileString(kWorkspaceSection, u"AppVersion", u"1.0.0.0");
}

void InitAppEnvironment() {
    CReg workspace;
    DWORD value = 0;
    if (!workspace.Open(HKEY_CURRENT_USER, SectionKey(kWorkspaceSection).c_str(), true) ||
        !workspace.QueryDword(u"AppEnvironment", value))
        WriteProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentProduction);
}

VersionNumbers GetAppVersionNumbers() {
    return ParseVersion(GetProfileString(kWorkspaceSection, u"AppVersion", u""));
}

}  // namespace halvex
