// Enumeration of subkeys and values in creation order, and the counts and
// maxima of a key. Name sizes are in the caller's characters; keys have no
// class and report an empty one.
#include <algorithm>

#include "access.h"
#include "open_keys.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "text_forms.h"

using namespace platform;
using namespace platform::registry;

namespace {

FILETIME fileTimeOf(ULONGLONG t) {
    return {static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
}

template <class Char>
void reportEmptyClass(Char* lpClass, LPDWORD lpcchClass) {
    if (lpClass && !lpcchClass) throw WinError(ERROR_INVALID_PARAMETER, "class buffer without a size");
    if (!lpcchClass) return;
    if (lpClass && *lpcchClass > 0) lpClass[0] = Char{};
    *lpcchClass = 0;
}

template <class Char>
LONG enumKey(HKEY hKey, DWORD dwIndex, Char* lpName, LPDWORD lpcchName, Char* lpClass, LPDWORD lpcchClass,
             PFILETIME lpftLastWriteTime) {
    return winLong([&] {
        if (!lpName || !lpcchName) throw WinError(ERROR_INVALID_PARAMETER, "null name buffer");
        const OpenKey key = openKeyOf(hKey);
        requireAccess(key.access, KEY_ENUMERATE_SUB_KEYS);
        const auto subkey = reading(*key.db, [&](Tree& tree) {
            const Location here = locate(tree, key);
            return tree.subkeyAt(here.id, here.shadowed, dwIndex);
        });
        if (!subkey) throw WinError(ERROR_NO_MORE_ITEMS, "no more subkeys");
        copyName(subkey->name, lpName, lpcchName);
        reportEmptyClass(lpClass, lpcchClass);
        if (lpftLastWriteTime) *lpftLastWriteTime = fileTimeOf(subkey->written);
    });
}

template <class Char>
LONG enumValue(HKEY hKey, DWORD dwIndex, Char* lpValueName, LPDWORD lpcchValueName, LPDWORD lpType, LPBYTE lpData,
               LPDWORD lpcbData) {
    return winLong([&] {
        if (!lpValueName || !lpcchValueName) throw WinError(ERROR_INVALID_PARAMETER, "null name buffer");
        if (lpData && !lpcbData) throw WinError(ERROR_INVALID_PARAMETER, "data without a size");
        const OpenKey key = openKeyOf(hKey);
        requireAccess(key.access, KEY_QUERY_VALUE);
        const auto value = reading(*key.db, [&](Tree& tree) { return tree.valueAt(locate(tree, key).id, dwIndex); });
        if (!value) throw WinError(ERROR_NO_MORE_ITEMS, "no more values");
        copyName(value->name, lpValueName, lpcchValueName);
        if (lpType) *lpType = value->type;
        if (lpcbData) copyOut(callerData<Char>(value->type, value->data), lpData, lpcbData);
    });
}

struct KeyInfo {
    DWORD subkeys = 0, maxSubkeyName = 0, values = 0, maxValueName = 0, maxValueData = 0;
    ULONGLONG written = 0;
};

// Lengths and sizes as a caller of this character type would receive them.
template <class Char>
KeyInfo keyInfo(Tree& tree, const Location& here) {
    KeyInfo info;
    const auto length = [](const std::u16string& name) { return static_cast<DWORD>(callerName<Char>(name).size()); };
    for (const auto& subkey : tree.subkeys(here.id, here.shadowed)) {
        ++info.subkeys;
        info.maxSubkeyName = std::max(info.maxSubkeyName, length(subkey.name));
    }
    for (const auto& value : tree.values(here.id)) {
        ++info.values;
        info.maxValueName = std::max(info.maxValueName, length(value.name));
        const auto size = static_cast<DWORD>(callerData<Char>(value.type, value.data).size());
        info.maxValueData = std::max(info.maxValueData, size);
    }
    info.written = tree.written(here.id);
    return info;
}

template <class Char>
LONG queryInfoKey(HKEY hKey, Char* lpClass, LPDWORD lpcchClass, LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                  LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                  LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    return winLong([&] {
        const OpenKey key = openKeyOf(hKey);
        requireAccess(key.access, KEY_QUERY_VALUE);
        const auto info = reading(*key.db, [&](Tree& tree) { return keyInfo<Char>(tree, locate(tree, key)); });
        reportEmptyClass(lpClass, lpcchClass);
        if (lpcSubKeys) *lpcSubKeys = info.subkeys;
        if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = info.maxSubkeyName;
        if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
        if (lpcValues) *lpcValues = info.values;
        if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = info.maxValueName;
        if (lpcbMaxValueLen) *lpcbMaxValueLen = info.maxValueData;
        if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
        if (lpftLastWriteTime) *lpftLastWriteTime = fileTimeOf(info.written);
    });
}

}  // namespace

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) noexcept {
    return enumKey(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) noexcept {
    return enumKey(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
                   LPBYTE lpData, LPDWORD lpcbData) noexcept {
    return enumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData);
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
                   LPBYTE lpData, LPDWORD lpcbData) noexcept {
    return enumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData);
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                      LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                      PFILETIME lpftLastWriteTime) noexcept {
    return queryInfoKey(hKey, lpClass, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen, lpcValues,
                        lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime);
}

LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                      LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                      PFILETIME lpftLastWriteTime) noexcept {
    return queryInfoKey(hKey, lpClass, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen, lpcValues,
                        lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime);
}
