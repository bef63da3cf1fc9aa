// HKEY_CLASSES_ROOT: the merged view of HKEY_CURRENT_USER\Software\Classes
// and HKEY_LOCAL_MACHINE\SOFTWARE\Classes. A path names the user's key when
// it has one, else the machine's. Values are read and written in the key the
// path names, so a value written to a key the user has goes to the user's
// key; keys created through the view go to the machine's classes, as on
// Windows. Subkey lists merge both sides, the user's first.
#pragma once

#include <optional>
#include <utility>

#include "key_path.h"
#include "tree.h"

namespace platform::registry {

struct ClassesKey {
    KeyId id;        // the key the path names
    KeyId shadowed;  // the machine's key of the same path when `id` is the user's
};

std::optional<ClassesKey> findClassesKey(Tree& tree, const KeyPath& path);
// The key of the path, created under the machine's classes (with any missing
// parents) when neither side has it; true when it was created.
std::pair<ClassesKey, bool> makeClassesKey(Tree& tree, const KeyPath& path);

}  // namespace platform::registry
