#include "reg_key.h"

#include "platform/win_error.h"

namespace platform::com {

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        if (m_key) RegCloseKey(m_key);
        m_key = other.m_key;
        other.m_key = nullptr;
    }
    return *this;
}

RegKey::~RegKey() {
    if (m_key) RegCloseKey(m_key);
}

RegKey RegKey::open(HKEY root, std::u16string_view path, REGSAM access) {
    const std::u16string name(path);
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, name.c_str(), 0, access, &key) != ERROR_SUCCESS) return RegKey();
    return RegKey(key);
}

RegKey RegKey::create(HKEY root, std::u16string_view path) {
    const std::u16string name(path);
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExW(root, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                    &key, nullptr);
    if (rc != ERROR_SUCCESS) throw WinError(static_cast<DWORD>(rc), "RegCreateKeyExW");
    return RegKey(key);
}

std::optional<std::u16string> RegKey::text(const char16_t* valueName) const {
    if (!m_key) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(m_key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::vector<char16_t> data(size / sizeof(char16_t) + 1);
    if (RegQueryValueExW(m_key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::u16string value(data.data(), size / sizeof(char16_t));
    while (!value.empty() && value.back() == u'\0') value.pop_back();
    return value;
}

void RegKey::setText(const char16_t* valueName, std::u16string_view value) const {
    const std::u16string data(value);
    const LONG rc = RegSetValueExW(m_key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>((data.size() + 1) * sizeof(char16_t)));
    if (rc != ERROR_SUCCESS) throw WinError(static_cast<DWORD>(rc), "RegSetValueExW");
}

std::vector<std::u16string> RegKey::subkeys() const {
    std::vector<std::u16string> names;
    if (!m_key) return names;
    WCHAR name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumKeyExW(m_key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    return names;
}

void deleteTree(HKEY root, std::u16string_view path) {
    const std::u16string name(path);
    const LONG rc = RegDeleteTreeW(root, name.c_str());
    if (rc != ERROR_SUCCESS && rc != static_cast<LONG>(ERROR_FILE_NOT_FOUND))
        throw WinError(static_cast<DWORD>(rc), "RegDeleteTreeW");
}

}  // namespace platform::com
