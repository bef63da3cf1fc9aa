// How a Windows module name becomes a shared object on disk.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform::modules {

// The file names a module name stands for, in order: "Pentak.dll" (or
// "Pentak") gives libpentak.so, libPentak.so, pentak.so, Pentak.so;
// "Tornil.exe" gives tornil, Tornil; any other name stands for itself.
std::vector<std::string> fileNamesFor(const std::filesystem::path& moduleName);
bool sameNameNoCase(std::string_view a, std::string_view b);
// The shared object for a module name already in Linux form: in the named
// folder when there is one, else in the search folders; empty when none.
std::filesystem::path resolvePath(const std::filesystem::path& moduleName);

}  // namespace platform::modules
