// The keys and values of one database, for use inside a transaction of it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database.h"
#include "key_path.h"
#include "win32/types.h"

namespace platform::registry {

// Key ids are never reused (AUTOINCREMENT), so a handle to a deleted key
// cannot reach a later one; their order is the order of creation.
using KeyId = std::int64_t;
inline constexpr KeyId kNoKey = 0;

// The roots every database has, with fixed ids.
inline constexpr KeyId kMachineRoot = 1;      // HKEY_LOCAL_MACHINE
inline constexpr KeyId kUsersRoot = 2;        // HKEY_USERS
inline constexpr KeyId kCurrentUserRoot = 3;  // HKEY_USERS\.DEFAULT, the machine's one user

struct Subkey {
    std::u16string name;
    ULONGLONG written;  // FILETIME units
};

struct Value {
    std::u16string name;
    DWORD type;
    std::vector<BYTE> data;
};

class Tree {
public:
    explicit Tree(Database& db) : m_db(db) {}

    bool exists(KeyId key);
    bool isRoot(KeyId key) const noexcept { return key >= kMachineRoot && key <= kCurrentUserRoot; }
    std::optional<KeyId> find(KeyId from, const KeyPath& path);
    // Creates the keys of the path that are missing; true when the last one
    // was created.
    std::pair<KeyId, bool> make(KeyId from, const KeyPath& path);
    // A key without a parent; only the schema makes these.
    KeyId addRoot(std::u16string_view name);

    bool hasSubkeys(KeyId key);
    // Removes the key with its subkeys and values.
    void remove(KeyId key);
    // Removes the subkeys and values; the key stays.
    void clear(KeyId key);

    // Subkeys in creation order. `shadowed` adds those of a second key
    // whose names the first lacks (the merged classes view), after the
    // first's own; kNoKey adds none.
    std::optional<Subkey> subkeyAt(KeyId key, KeyId shadowed, DWORD index);
    std::vector<Subkey> subkeys(KeyId key, KeyId shadowed);
    ULONGLONG written(KeyId key);

    std::optional<Value> value(KeyId key, std::u16string_view name);
    std::optional<Value> valueAt(KeyId key, DWORD index);
    std::vector<Value> values(KeyId key);
    bool hasValues(KeyId key);
    // A value that exists keeps its place in the enumeration order and the
    // case of its name.
    void setValue(KeyId key, std::u16string_view name, DWORD type, std::span<const BYTE> data);
    bool deleteValue(KeyId key, std::u16string_view name);

private:
    std::optional<KeyId> child(KeyId parent, std::u16string_view name);
    KeyId addChild(KeyId parent, std::u16string_view name);
    void removeBelow(KeyId key, bool keepKey);
    void touch(KeyId key);

    Database& m_db;
};

template <class Body>
auto reading(Database& db, Body&& body) {
    return db.transaction(false, [&] {
        Tree tree(db);
        return body(tree);
    });
}

template <class Body>
auto writing(Database& db, Body&& body) {
    return db.transaction(true, [&] {
        Tree tree(db);
        return body(tree);
    });
}

}  // namespace platform::registry
