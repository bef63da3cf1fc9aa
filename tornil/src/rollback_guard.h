// The value under the user's RunOnce key that starts the upgrade process
// again with "Rollback" at the next logon, while the program folder is
// between two versions.
#pragma once

#include <string>

namespace tornil {

// The program path is quoted, so that blanks in the download area's path
// keep it one word.
bool WriteRollbackGuard(const std::u16string& downloadPath);
// Removing a value that is not there only logs it.
bool RemoveRollbackGuard(const std::u16string& downloadPath);

}  // namespace tornil
