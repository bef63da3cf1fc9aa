// Where the emulated machine keeps its state, and the conversion of Windows
// path text to Linux paths.
//
// Everything lives under one folder: $PLATFORM_ROOT when set, else
// $XDG_DATA_HOME/tesk-platform (~/.local/share/tesk-platform). The variable
// is read on every call, so a test may point it at a fresh folder.
#pragma once

#include <filesystem>
#include <string_view>

#include "win32/types.h"

namespace platform::paths {

std::filesystem::path root();

// Folders under the root, created on first use:
std::filesystem::path registryDatabase();     // root/registry.db
std::filesystem::path userProfile();          // root/profile
std::filesystem::path roamingAppData();       // root/profile/AppData/Roaming
std::filesystem::path localAppData();         // root/profile/AppData/Local
std::filesystem::path tempFolder();           // root/profile/AppData/Local/Temp
std::filesystem::path personalFolder();       // root/profile/Documents
std::filesystem::path commonAppData();        // root/ProgramData
std::filesystem::path windowsFolder();        // root/Windows
std::filesystem::path systemFolder();         // root/Windows/System32
std::filesystem::path programFiles();         // root/Program Files
std::filesystem::path keyContainers();        // root/profile/Crypto/Keys (user only, 0700)
std::filesystem::path machineKeyContainers(); // root/ProgramData/Crypto/Keys

// Outside the root: the folder whose entries the user's desktop starts at
// logon, $XDG_CONFIG_HOME/autostart (~/.config/autostart). Not created.
std::filesystem::path autostartFolder();

// Creates the folder (and parents) when missing and returns it.
std::filesystem::path ensure(const std::filesystem::path& folder);

// Windows path text to a Linux path: "\" becomes "/"; nothing else changes.
std::filesystem::path fromWindows(std::u16string_view wide);
std::filesystem::path fromWindowsAnsi(std::string_view ansi);
// A Linux path as the wide or ANSI text the Windows functions return.
std::u16string toWide(const std::filesystem::path& p);
std::string toAnsi(const std::filesystem::path& p);

}  // namespace platform::paths
