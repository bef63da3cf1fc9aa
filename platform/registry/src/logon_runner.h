// The values of the user's RunOnce key are run at the next logon by the
// layer's runonce program. A Linux desktop starts at logon what the entries
// of the user's autostart folder name, so while the RunOnce key of a
// platform root holds values, an entry there runs runonce on that root;
// when the key is emptied or deleted, the entry goes. Each root has an
// entry of its own, named by a digest of the root's path.
#pragma once

#include "database.h"
#include "tree.h"

namespace platform::registry {

// Inside a transaction: whether the key is the current user's RunOnce key.
bool isRunOnceKey(Tree& tree, KeyId key);
// Inside a transaction: whether the current user's RunOnce key holds values.
bool runOnceHasValues(Tree& tree);

// After the transaction that set a RunOnce value. The entry is written
// beside and renamed into place when the runonce program is found as the
// layer's programs are (beside the caller, in PLATFORM_MODULE_PATH, in the
// system folder); without the program, or when the folder cannot be
// written, there is no entry and the value stays set, to be run by hand.
void registerLogonRunner(const Database& db) noexcept;
// After the transaction that left the key without values or deleted it.
void unregisterLogonRunner(const Database& db) noexcept;

}  // namespace platform::registry
