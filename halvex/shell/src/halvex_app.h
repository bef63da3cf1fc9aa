// The program from start to end: COM, the configuration folder, the log
// and its banner, the profile's defaults and environment, the frame and
// its start-up checks, the message loop, and the shut-down.
#pragma once

#include <string>

namespace halvex {

// The folder (with a trailing "/") that holds the file: the current
// directory when the file is there, else the program's folder when it is
// there, else the current directory.
std::u16string FindConfigFile(const std::u16string& name);

// Writes the profile's defaults where no value stands, stores the renewal
// server of the profile's environment and gives the main window's title.
std::u16string ApplyProfileEnvironment();

// Runs the program; 0 after an ordinary close, 1 when start-up failed.
int RunHalvex(const std::u16string& commandLine);

}  // namespace halvex
