// Registry keys as the COM area reads and writes them: an owned HKEY and
// text values.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/registry.h"

namespace platform::com {

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : m_key(key) {}
    RegKey(RegKey&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey();

    // An empty key when it does not exist.
    static RegKey open(HKEY root, std::u16string_view path, REGSAM access = KEY_READ);
    // Creates it (and the keys above it); throws WinError with the Reg code.
    static RegKey create(HKEY root, std::u16string_view path);

    explicit operator bool() const noexcept { return m_key != nullptr; }
    HKEY get() const noexcept { return m_key; }

    // REG_SZ or REG_EXPAND_SZ text (without its NUL); nothing when absent
    // or of another type.
    std::optional<std::u16string> text(const char16_t* valueName) const;
    void setText(const char16_t* valueName, std::u16string_view value) const;
    std::vector<std::u16string> subkeys() const;

private:
    HKEY m_key = nullptr;
};

// Removes a key with everything under it; a missing key is no error.
void deleteTree(HKEY root, std::u16string_view path);

}  // namespace platform::com
