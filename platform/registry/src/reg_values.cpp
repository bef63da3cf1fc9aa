// Values: query, set, delete. The default value is the one with the empty
// name; a null name means it too.
#include <span>

#include "access.h"
#include "logon_runner.h"
#include "open_keys.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "text_forms.h"

using namespace platform;
using namespace platform::registry;

namespace {

std::u16string valueName(const std::optional<std::u16string>& name) {
    if (name && name->size() > kMaxValueNameChars) throw WinError(ERROR_INVALID_PARAMETER, "value name too long");
    return name.value_or(u"");
}

template <class Char>
LONG queryValue(HKEY hKey, const Char* lpValueName, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    return winLong([&] {
        if (lpData && !lpcbData) throw WinError(ERROR_INVALID_PARAMETER, "data without a size");
        const auto name = valueName(nameArg(lpValueName));
        const OpenKey key = openKeyOf(hKey);
        requireAccess(key.access, KEY_QUERY_VALUE);
        const auto value = reading(*key.db, [&](Tree& tree) { return tree.value(locate(tree, key).id, name); });
        if (!value) throw WinError(ERROR_FILE_NOT_FOUND, "no such value");
        if (lpType) *lpType = value->type;
        // Null data with a size pointer is a size query; no size pointer at
        // all asks only whether the value exists.
        if (lpcbData) copyOut(callerData<Char>(value->type, value->data), lpData, lpcbData);
    });
}

// Any type takes data of any size (a REG_DWORD of 2 or 8 bytes included):
// the registry stores what it is given, as Windows does.
template <class Char>
LONG setValue(HKEY hKey, const Char* lpValueName, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    return winLong([&] {
        if (!lpData && cbData) throw WinError(ERROR_NOACCESS, "null data with a size");
        const auto name = valueName(nameArg(lpValueName));
        const auto data = storedData<Char>(dwType, std::span(lpData, lpData ? cbData : 0));
        const OpenKey key = openKeyOf(hKey);
        requireAccess(key.access, KEY_SET_VALUE);
        const bool runOnce = writing(*key.db, [&](Tree& tree) {
            const KeyId id = locate(tree, key).id;
            tree.setValue(id, name, dwType, data);
            return isRunOnceKey(tree, id);
        });
        if (runOnce) registerLogonRunner(*key.db);
    });
}

template <class Char>
LONG deleteValue(HKEY hKey, const Char* lpValueName) {
    return winLong([&] {
        const auto name = valueName(nameArg(lpValueName));
        const OpenKey key = openKeyOf(hKey);
        requireAccess(key.access, KEY_SET_VALUE);
        const bool runOnceEmptied = writing(*key.db, [&](Tree& tree) {
            const KeyId id = locate(tree, key).id;
            if (!tree.deleteValue(id, name)) throw WinError(ERROR_FILE_NOT_FOUND, "no such value");
            return isRunOnceKey(tree, id) && !tree.hasValues(id);
        });
        if (runOnceEmptied) unregisterLogonRunner(*key.db);
    });
}

}  // namespace

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) noexcept {
    return queryValue(hKey, lpValueName, lpType, lpData, lpcbData);
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) noexcept {
    return queryValue(hKey, lpValueName, lpType, lpData, lpcbData);
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) noexcept {
    return setValue(hKey, lpValueName, dwType, lpData, cbData);
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) noexcept {
    return setValue(hKey, lpValueName, dwType, lpData, cbData);
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) noexcept { return deleteValue(hKey, lpValueName); }

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) noexcept { return deleteValue(hKey, lpValueName); }
