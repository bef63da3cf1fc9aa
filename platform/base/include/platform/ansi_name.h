// File names for the narrow (ANSI) entry points. A name the ANSI page
// cannot hold is refused with ERROR_INVALID_NAME (thrown as WinError): a
// "?" in place of its character would name another file.
#pragma once

#include <filesystem>
#include <string>

namespace platform::paths {

// The name as ANSI (Windows-1250) text, whole, or the refusal.
std::string toAnsiName(const std::u16string& wide);
std::string toAnsiName(const std::filesystem::path& p);

}  // namespace platform::paths
