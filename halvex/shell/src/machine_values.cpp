#include "machine_values.h"

#include <cstring>
#include <utility>
#include <vector>

#include "win32/registry.h"

namespace halvex {
namespace {

constexpr DWORD kLongestValue = 64 * 1024;

// The value's type and bytes; nothing when the key or value is missing.
std::optional<std::pair<DWORD, std::vector<BYTE>>> ReadValue(const std::u16string& key, const std::u16string& name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<std::pair<DWORD, std::vector<BYTE>>> read;
    if (RegQueryValueExW(opened, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        size <= kLongestValue) {
        std::vector<BYTE> data(size);
        if (RegQueryValueExW(opened, name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
            data.resize(size);
            read.emplace(type, std::move(data));
        }
    }
    RegCloseKey(opened);
    return read;
}

}  // namespace

std::optional<std::u16string> ReadMachineStringIfPresent(const std::u16string& key, const std::u16string& name) {
    const auto value = ReadValue(key, name);
    if (!value || (value->first != REG_SZ && value->first != REG_EXPAND_SZ)) return std::nullopt;
    std::u16string text(value->second.size() / sizeof(char16_t), u'\0');
    std::memcpy(text.data(), value->second.data(), text.size() * sizeof(char16_t));
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return text;
}

std::u16string ReadMachineString(const std::u16string& key, const std::u16string& name) {
    return ReadMachineStringIfPresent(key, name).value_or(std::u16string());
}

std::optional<DWORD> ReadMachineDword(const std::u16string& key, const std::u16string& name) {
    const auto value = ReadValue(key, name);
    if (!value || value->first != REG_DWORD || value->second.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value->second.data(), sizeof number);
    return number;
}

}  // namespace halvex
