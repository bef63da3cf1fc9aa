#include "schema.h"

#include "platform/win_error.h"
#include "tree.h"

namespace platform::registry {

namespace {

constexpr std::int64_t kVersion = 1;

// keys: id (creation order, never reused), parent (NULL for a root), the
// name as created and folded for lookups (UTF-16LE), the last write time in
// FILETIME units. key_values: owner key, name and folded name, type, data;
// id is the creation order.
constexpr const char* kTables =
    "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER, name BLOB NOT NULL,"
    " folded BLOB NOT NULL, written INTEGER NOT NULL);"
    "CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);"
    "CREATE TABLE key_values(id INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL, name BLOB NOT NULL,"
    " folded BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX values_by_name ON key_values(key, folded);"
    "PRAGMA user_version = 1;";

// What enumeration seeks by: a key's subkeys and values in creation order.
// A database made before them gets them when it can be written; without
// them the same rows come, only slower.
constexpr const char* kOrderIndexes =
    "CREATE INDEX IF NOT EXISTS keys_in_order ON keys(parent, id);"
    "CREATE INDEX IF NOT EXISTS values_in_order ON key_values(key, id);";

std::int64_t version(Database& db) {
    auto q = db.prepare("PRAGMA user_version");
    return q.step() ? q.integer(0) : 0;
}

void createTables(Database& db) {
    db.exec(kTables);
    db.exec(kOrderIndexes);
    Tree tree(db);
    // In an empty table the roots get the ids 1, 2, 3 that Tree names.
    if (tree.addRoot(u"MACHINE") != kMachineRoot || tree.addRoot(u"USER") != kUsersRoot ||
        tree.make(kUsersRoot, {u".DEFAULT"}).first != kCurrentUserRoot)
        throw WinError(ERROR_BADDB, "registry roots did not get their ids");
    tree.make(kMachineRoot, {u"SOFTWARE", u"Classes"});
    tree.make(kCurrentUserRoot, {u"Software", u"Classes"});
}

void checkVersion(std::int64_t found) {
    if (found != kVersion) throw WinError(ERROR_BADDB, "registry database of unknown version");
}

bool hasOrderIndexes(Database& db) {
    auto q = db.prepare("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN ('keys_in_order', 'values_in_order')");
    return q.step() && q.integer(0) == 2;
}

void addOrderIndexes(Database& db) {
    if (hasOrderIndexes(db)) return;
    try {
        db.transaction(true, [&] { db.exec(kOrderIndexes); });
    } catch (const WinError&) {
        // A read-only or full disk: enumeration goes on without them.
    }
}

}  // namespace

void ensureSchema(Database& db) {
    const auto found = version(db);
    if (found != 0) {
        checkVersion(found);
        return addOrderIndexes(db);
    }
    db.transaction(true, [&] {
        const auto now = version(db);  // another process may have been first
        if (now == 0) return createTables(db);
        checkVersion(now);
    });
}

}  // namespace platform::registry
