// The two runs of the upgrade process. Both return the exit code 0: every
// failure ends in a status the user confirms.
#pragma once

namespace tornil {

// Waits for the client to end, deletes what the delete list names, installs
// the new files and rolls back to the backup when any of it fails. While
// the program folder is between versions a RunOnce value starts the
// rollback run at the next logon.
int RunUpdate();
// Restores the program folder from the backup; once it has, the backup and
// update\ go.
int RunRollback();

}  // namespace tornil
