#include "open_keys.h"

#include <map>
#include <mutex>

#include "access.h"
#include "classes_root.h"
#include "databases.h"
#include "platform/handle_table.h"

namespace platform::registry {

namespace {

HandleTable<OpenKey>& handles() {
    static HandleTable<OpenKey> table(ERROR_INVALID_HANDLE);
    return table;
}

std::optional<KeyId> predefinedRoot(HKEY handle) {
    if (handle == HKEY_LOCAL_MACHINE) return kMachineRoot;
    if (handle == HKEY_USERS) return kUsersRoot;
    if (handle == HKEY_CURRENT_USER) return kCurrentUserRoot;
    return std::nullopt;
}

bool isPredefined(HKEY handle) { return handle == HKEY_CLASSES_ROOT || predefinedRoot(handle); }

// The keys that stand in for predefined keys, for every thread of the
// process, until the override is undone.
struct Overrides {
    std::mutex lock;
    std::map<HKEY, OpenKey> keys;
};

Overrides& overrides() {
    static Overrides table;
    return table;
}

std::optional<OpenKey> overrideOf(HKEY handle) {
    Overrides& table = overrides();
    const std::lock_guard guard(table.lock);
    const auto found = table.keys.find(handle);
    if (found == table.keys.end()) return std::nullopt;
    return found->second;
}

void checkNotDeleted(Tree& tree, const OpenKey& key) {
    if (!key.predefined && !tree.exists(key.id)) throw WinError(ERROR_KEY_DELETED, "key was deleted");
}

OpenKey classesKey(const OpenKey& from, const ClassesKey& found, KeyPath path) {
    return {from.db, found.id, found.shadowed, std::move(path), 0, false};
}

}  // namespace

OpenKey openKeyOf(HKEY handle) {
    if (isPredefined(handle))
        if (auto standIn = overrideOf(handle)) return std::move(*standIn);
    if (handle == HKEY_CLASSES_ROOT) return {currentDatabase(), kNoKey, kNoKey, KeyPath{}, kAllAccess, true};
    if (const auto root = predefinedRoot(handle)) return {currentDatabase(), *root, kNoKey, {}, kAllAccess, true};
    return *handles().get(reinterpret_cast<ULONG_PTR>(handle));
}

HKEY addHandle(OpenKey key) {
    return reinterpret_cast<HKEY>(handles().add(std::make_shared<OpenKey>(std::move(key))));
}

void overridePredefined(HKEY predefined, HKEY standIn) {
    if (!isPredefined(predefined)) throw WinError(ERROR_INVALID_HANDLE, "not a predefined key");
    // The stand-in is looked up before the lock: it may itself be overridden.
    std::optional<OpenKey> key;
    if (standIn) key = openKeyOf(standIn);
    Overrides& table = overrides();
    const std::lock_guard guard(table.lock);
    if (key)
        table.keys.insert_or_assign(predefined, std::move(*key));
    else
        table.keys.erase(predefined);
}

void closeHandle(HKEY handle) {
    if (!isPredefined(handle)) handles().remove(reinterpret_cast<ULONG_PTR>(handle));
}

Location locate(Tree& tree, const OpenKey& key) {
    if (key.predefined && key.classesPath) {
        const auto root = findClassesKey(tree, {});
        if (!root) throw WinError(ERROR_FILE_NOT_FOUND, "no classes key");
        return {root->id, root->shadowed};
    }
    checkNotDeleted(tree, key);
    return {key.id, key.shadowed};
}

std::optional<OpenKey> findSubkey(Tree& tree, const OpenKey& key, const KeyPath& path) {
    checkNotDeleted(tree, key);
    if (key.classesPath) {
        auto full = joined(*key.classesPath, path);
        const auto found = findClassesKey(tree, full);
        if (!found) return std::nullopt;
        return classesKey(key, *found, std::move(full));
    }
    const auto id = tree.find(key.id, path);
    if (!id) return std::nullopt;
    return OpenKey{key.db, *id, kNoKey, std::nullopt, 0, false};
}

std::pair<OpenKey, bool> makeSubkey(Tree& tree, const OpenKey& key, const KeyPath& path) {
    checkNotDeleted(tree, key);
    if (key.classesPath) {
        auto full = joined(*key.classesPath, path);
        const auto [found, created] = makeClassesKey(tree, full);
        return {classesKey(key, found, std::move(full)), created};
    }
    const auto [id, created] = tree.make(key.id, path);
    return {OpenKey{key.db, id, kNoKey, std::nullopt, 0, false}, created};
}

}  // namespace platform::registry
