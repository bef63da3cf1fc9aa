// Registration scripts: what a server writes to the registry when it is
// registered, and takes away when it is unregistered. One entry a line:
//
//   [whole|replace|keep] ROOT\key\path [\[value name\]] [= 'text' | = dword:N]
//
// ROOT is HKCR, HKLM or HKCU; %MODULE% in a text stands for the module's
// path, %% for a percent sign; '' inside a text for a quote; # begins a
// comment line. Registration creates each key and sets the value given
// (the key's default value when no name is given); a `replace` key is
// first deleted with everything under it. Unregistration goes
// through the lines last to first: a value line removes its value; a key
// marked `whole` or `replace` goes with everything under it; a `keep` key stays; any
// other key goes when no subkeys are left under it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/registry.h"

namespace platform::com {

struct ScriptEntry {
    enum class Mark { None, Whole, Replace, Keep };
    enum class Kind { None, Text, Dword };
    Mark mark = Mark::None;
    HKEY root = nullptr;
    std::u16string key;
    bool namedValue = false;
    std::u16string valueName;
    Kind kind = Kind::None;
    std::u16string text;
    DWORD number = 0;
};

// Throws WinError(SELFREG_E_CLASS) naming the line at fault.
std::vector<ScriptEntry> parseRegistryScript(std::string_view utf8, std::u16string_view modulePath);

void applyRegistration(const std::vector<ScriptEntry>& script);
void applyUnregistration(const std::vector<ScriptEntry>& script);

}  // namespace platform::com
