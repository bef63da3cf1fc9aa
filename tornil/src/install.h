// Installation of what the download left in update\: the tree below it
// into the program folder, the tree below update\_LUMVAR_SYSTEM\ into the
// system folder, and the tree below update\_LUMVAR_SYSTEM_COM\ into the
// system folder with each copied file registered by regsvr32.
#pragma once

#include <string>

#include "lumvar/config.h"

namespace tornil {

enum class Location { ProgramFolder = 1, SystemFolder = 2, SystemFolderCom = 3 };

// Installs the folder `relative` (empty, or ending in '\') of the location,
// with its subfolders. A system file is replaced only by a newer file
// version (a file without version information over one with it is a
// failure); a registration must end with exit code 0. False at the first
// failure, with what was installed so far left in place.
bool InstallNewFiles(const lumvar::Config& config, const std::u16string& relative, Location location);

}  // namespace tornil
