// Shared pieces of the registry tests: a fresh root per test and short
// forms of the calls the tests make over and over.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/owned.h"
#include "testkit/platform_root.h"
#include "win32/registry.h"

namespace registry_test {

using Key = platform::Owned<HKEY__, RegCloseKey>;

class Registry : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
};

// Creates (or opens) the key; fails the test when that fails.
inline Key create(HKEY parent, const char16_t* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(parent, path, 0, nullptr, 0, access, nullptr, &h, nullptr));
    return Key(h);
}

inline LONG openKey(HKEY parent, const char16_t* path, REGSAM access, Key& out) {
    HKEY h = nullptr;
    const LONG rc = RegOpenKeyExW(parent, path, 0, access, &h);
    out.reset(h);
    return rc;
}

inline LONG setBytes(HKEY key, const char16_t* name, DWORD type, const std::vector<BYTE>& data) {
    return RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

inline LONG setDword(HKEY key, const char16_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

inline LONG setString(HKEY key, const char16_t* name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

// The stored bytes through the wide form, after a size query.
inline std::vector<BYTE> bytesOf(HKEY key, const char16_t* name, DWORD* type = nullptr) {
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, name, nullptr, type, nullptr, &size));
    std::vector<BYTE> data(size);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, name, nullptr, type, data.data(), &size));
    data.resize(size);
    return data;
}

inline DWORD dwordOf(HKEY key, const char16_t* name) {
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size));
    return value;
}

// A REG_SZ read through the wide form, without its NUL.
inline std::u16string stringOf(HKEY key, const char16_t* name) {
    const auto data = bytesOf(key, name);
    std::u16string s(reinterpret_cast<const char16_t*>(data.data()), data.size() / sizeof(char16_t));
    if (!s.empty() && s.back() == u'\0') s.pop_back();
    return s;
}

inline bool exists(HKEY parent, const char16_t* path) {
    Key key;
    return openKey(parent, path, KEY_READ, key) == ERROR_SUCCESS;
}

}  // namespace registry_test
