// The upgrade process logs only where an administrator asked for it: the
// file "Tesk Upgrade\log.enable" in the common application-data folder
// holding the number 1 sends every line (level 3) to "Tesk Upgrade\lumvar.log"
// beside it, made with ordinary permissions. Otherwise nothing is recorded.
#pragma once

namespace tornil {

void SetUpLog();

}  // namespace tornil
