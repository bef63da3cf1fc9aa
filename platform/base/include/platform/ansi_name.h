// File names for the narrow (ANSI) entry points. A name the ANSI page
// cannot hold is refused with ERROR_INVALID_NAME (thrown as WinError): a
// "?" in place of its character would name another file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform::paths {

// "?" and "*" are no file-name characters on Windows but a search
// pattern's wildcards; in ANSI text a "?" is also what a conversion leaves
// for a character the page lacks. A name holding one is refused with
// ERROR_INVALID_NAME, a pattern keeps them.
bool holdsWildcard(std::string_view name) noexcept;

// The name as ANSI (Windows-1250) text, whole, or the refusal.
std::string toAnsiName(const std::u16string& wide);
std::string toAnsiName(const std::filesystem::path& p);

}  // namespace platform::paths
