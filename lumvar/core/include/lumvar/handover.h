// The hand-over to the upgrade process, after a download:
//   DownloadPath\backup\          a copy of the program folder (made anew)
//   DownloadPath\bin\Tornil.exe   the upgrade program, written executable
//   DownloadPath\bin\conf         four lines (UTF-8, "\n"): ProgramPath,
//                                 DownloadPath, Lang as a number, and the
//                                 caller's process id
// and the upgrade program started in bin\ with the argument "RunUpdate",
// detached so that it outlives the caller, who must then exit.
#pragma once

#include <string_view>

#include "lumvar/config.h"

namespace lumvar {

// kUpgradeStarted when the upgrade program runs; kNotConfigured, kBackup,
// kFolderWalk (a symbolic link in the program folder, whenever it was put
// there), kHandOverFiles (also for an empty image) or kStartUpgrade
// otherwise, each logged. A failure leaves no process started and the program folder as
// it was.
int DoUpdate(const Config& config, std::string_view upgradeImage);

}  // namespace lumvar
