// The way back to the version before the update: the program folder gets
// the backup's files again, and what the update added to it is removed.
#pragma once

#include "lumvar/config.h"

namespace tornil {

// Removes the program folder's files and then empty folders that the update
// folder brought and the backup does not hold, then copies the backup over
// the program folder. Files neither brought nor in the backup (the user's)
// stay. Nothing is reached through a link below the program folder. False,
// with nothing touched, when there is no backup; false when a removal or a
// copy failed.
bool RestoreBackup(const lumvar::Config& config);

}  // namespace tornil
