// What the user's desktop starts at logon: the entries of
// $XDG_CONFIG_HOME/autostart (a PlatformRoot points it inside its folder),
// started as a desktop session starts them.
#pragma once

#include <filesystem>
#include <vector>

#include "testkit/process.h"

namespace testkit {

// The *.desktop entries, in name order; none without the folder.
std::vector<std::filesystem::path> autostartEntries();
// Starts the entry's program through GLib's desktop launcher (`gio launch`),
// which returns once the program is started, not when it ends.
RunResult launchAtLogon(const std::filesystem::path& entry, const RunOptions& options = {});

}  // namespace testkit
