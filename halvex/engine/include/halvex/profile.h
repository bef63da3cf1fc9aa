// The program's profile: values in sections under the user's key
// "Software\Tesk\Tesk Halvex", and the two the program gives defaults at
// start: "AppVersion" and "AppEnvironment" of section "Workspace".
#pragma once

#include <string>

#include "halvex/text_utils.h"
#include "win32/types.h"

namespace halvex {

inline constexpr char16_t kProfileKey[] = u"Software\\Tesk\\Tesk Halvex";
inline constexpr char16_t kWorkspaceSection[] = u"Workspace";

// Values of "AppEnvironment".
inline constexpr DWORD kEnvironmentDevelopment = 0;
inline constexpr DWORD kEnvironmentTest = 1;
inline constexpr DWORD kEnvironmentProduction = 2;

// A text value (REG_SZ or REG_EXPAND_SZ), else the default.
std::u16string GetProfileString(const std::u16string& section, const std::u16string& entry,
                                const std::u16string& fallback);
// A REG_DWORD value, else the default.
DWORD GetProfileInt(const std::u16string& section, const std::u16string& entry, DWORD fallback);
// Create the section when needed; false when the registry refuses.
bool WriteProfileString(const std::u16string& section, const std::u16string& entry, const std::u16string& value);
bool WriteProfileInt(const std::u16string& section, const std::u16string& entry, DWORD value);

// When the "Workspace" key cannot be opened or its "AppVersion" cannot be
// read, writes "AppVersion" = "1.0.0.0"; a readable value stays.
void InitAppVersion();
// The same for the REG_DWORD "AppEnvironment", default production (2).
void InitAppEnvironment();
// "AppVersion" of "Workspace" as four numbers.
VersionNumbers GetAppVersionNumbers();

}  // namespace halvex
