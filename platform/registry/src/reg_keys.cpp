// Key handles: open, create, close, delete, flush.
#include "access.h"
#include "logon_runner.h"
#include "open_keys.h"
#include "platform/boundary.h"
#include "text_forms.h"

using namespace platform;
using namespace platform::registry;

namespace {

template <class Char>
LONG openKey(HKEY hKey, const Char* lpSubKey, REGSAM samDesired, PHKEY phkResult) {
    return winLong([&] {
        if (!phkResult) throw WinError(ERROR_INVALID_PARAMETER, "null result pointer");
        *phkResult = nullptr;
        // A null or empty subkey opens the key itself again.
        const KeyPath path = parseKeyPath(nameArg(lpSubKey).value_or(u""));
        const OpenKey parent = openKeyOf(hKey);
        auto key = reading(*parent.db, [&](Tree& tree) { return findSubkey(tree, parent, path); });
        if (!key) throw WinError(ERROR_FILE_NOT_FOUND, "no such key");
        key->access = grantedAccess(samDesired);
        *phkResult = addHandle(std::move(*key));
    });
}

template <class Char>
LONG createKey(HKEY hKey, const Char* lpSubKey, REGSAM samDesired, PHKEY phkResult, LPDWORD lpdwDisposition) {
    return winLong([&] {
        if (!phkResult) throw WinError(ERROR_INVALID_PARAMETER, "null result pointer");
        *phkResult = nullptr;
        const auto subKey = nameArg(lpSubKey);
        if (!subKey) throw WinError(ERROR_INVALID_PARAMETER, "null subkey");
        const KeyPath path = parseKeyPath(*subKey);
        const OpenKey parent = openKeyOf(hKey);
        auto made = writing(*parent.db, [&](Tree& tree) { return makeSubkey(tree, parent, path); });
        made.first.access = grantedAccess(samDesired);
        *phkResult = addHandle(std::move(made.first));
        if (lpdwDisposition) *lpdwDisposition = made.second ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    });
}

// The key to delete: hKey itself for an empty path. The roots stay.
KeyId keyToDelete(Tree& tree, const OpenKey& parent, const KeyPath& path) {
    const auto key = findSubkey(tree, parent, path);
    if (!key) throw WinError(ERROR_FILE_NOT_FOUND, "no such key");
    if (tree.isRoot(key->id)) throw WinError(ERROR_ACCESS_DENIED, "a root key cannot be deleted");
    return key->id;
}

template <class Char>
LONG deleteKey(HKEY hKey, const Char* lpSubKey) {
    return winLong([&] {
        const auto subKey = nameArg(lpSubKey);
        if (!subKey) throw WinError(ERROR_INVALID_PARAMETER, "null subkey");
        const KeyPath path = parseKeyPath(*subKey);
        const OpenKey parent = openKeyOf(hKey);
        const bool runOnceGone = writing(*parent.db, [&](Tree& tree) {
            const KeyId id = keyToDelete(tree, parent, path);
            if (tree.hasSubkeys(id)) throw WinError(ERROR_ACCESS_DENIED, "key has subkeys");
            const bool runOnce = isRunOnceKey(tree, id);
            tree.remove(id);
            return runOnce;
        });
        if (runOnceGone) unregisterLogonRunner(*parent.db);
    });
}

template <class Char>
LONG deleteTree(HKEY hKey, const Char* lpSubKey) {
    return winLong([&] {
        const auto subKey = nameArg(lpSubKey);
        const OpenKey parent = openKeyOf(hKey);
        const bool runOnceEmptied = writing(*parent.db, [&](Tree& tree) {
            // Whether the tree held the RunOnce values, now gone.
            const bool pending = runOnceHasValues(tree);
            if (subKey) {
                tree.remove(keyToDelete(tree, parent, parseKeyPath(*subKey)));
            } else {
                // Without a subkey the contents of hKey go, through hKey's own rights.
                const Location here = locate(tree, parent);
                requireAccess(parent.access, kDelete | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
                if (tree.hasValues(here.id)) requireAccess(parent.access, KEY_SET_VALUE);
                tree.clear(here.id);
            }
            return pending && !runOnceHasValues(tree);
        });
        if (runOnceEmptied) unregisterLogonRunner(*parent.db);
    });
}

}  // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) noexcept {
    return openKey(hKey, lpSubKey, samDesired, phkResult);
}

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) noexcept {
    return openKey(hKey, lpSubKey, samDesired, phkResult);
}

// The class, options and security are not kept: volatile keys live as long
// as others, since the emulated machine never restarts.
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired, void*, PHKEY phkResult,
                     LPDWORD lpdwDisposition) noexcept {
    return createKey(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired, void*, PHKEY phkResult,
                     LPDWORD lpdwDisposition) noexcept {
    return createKey(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

LONG RegCloseKey(HKEY hKey) noexcept {
    return winLong([&] { closeHandle(hKey); });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) noexcept { return deleteKey(hKey, lpSubKey); }

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) noexcept { return deleteKey(hKey, lpSubKey); }

LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey) noexcept { return deleteTree(hKey, lpSubKey); }

LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) noexcept { return deleteTree(hKey, lpSubKey); }

LONG RegFlushKey(HKEY hKey) noexcept {
    return winLong([&] { openKeyOf(hKey).db->flush(); });
}

LONG RegOverridePredefKey(HKEY hKey, HKEY hNewHKey) noexcept {
    return winLong([&] { overridePredefined(hKey, hNewHKey); });
}
