// What an HKEY stands for: a key of one database and the access it was
// opened with. Handles the caller gets are entries of one table; the
// predefined keys are no entries and stand for the database of the current
// platform root at each call.
#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "database.h"
#include "key_path.h"
#include "tree.h"
#include "win32/registry.h"

namespace platform::registry {

struct OpenKey {
    std::shared_ptr<Database> db;
    KeyId id = kNoKey;        // the key whose values the handle reads and writes
    KeyId shadowed = kNoKey;  // through HKEY_CLASSES_ROOT: the machine's key under the user's
    // Set for keys reached through HKEY_CLASSES_ROOT: their path in that view.
    std::optional<KeyPath> classesPath;
    REGSAM access = 0;
    bool predefined = false;
};

// ERROR_INVALID_HANDLE for a handle that is not open.
OpenKey openKeyOf(HKEY handle);
HKEY addHandle(OpenKey key);
// From now on the predefined key stands for the key of standIn (which the
// caller may close); a null standIn restores the predefined key.
// ERROR_INVALID_HANDLE for a key that is not predefined or a stand-in that
// is not open.
void overridePredefined(HKEY predefined, HKEY standIn);
// Predefined keys are never closed; closing them succeeds.
void closeHandle(HKEY handle);

// Inside a transaction of the key's database. All give ERROR_KEY_DELETED
// when the handle's key has been deleted since it was opened.
struct Location {
    KeyId id;
    KeyId shadowed;
};
Location locate(Tree& tree, const OpenKey& key);
std::optional<OpenKey> findSubkey(Tree& tree, const OpenKey& key, const KeyPath& path);
// The subkey, created with its missing parents; true when it was created.
std::pair<OpenKey, bool> makeSubkey(Tree& tree, const OpenKey& key, const KeyPath& path);

}  // namespace platform::registry
