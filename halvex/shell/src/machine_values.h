// Values of the machine's registry (HKEY_LOCAL_MACHINE) the program reads
// at start-up.
#pragma once

#include <optional>
#include <string>

#include "win32/types.h"

namespace halvex {

// Empty when the key or a string value of that name is missing.
std::u16string ReadMachineString(const std::u16string& key, const std::u16string& name);
std::optional<std::u16string> ReadMachineStringIfPresent(const std::u16string& key, const std::u16string& name);
std::optional<DWORD> ReadMachineDword(const std::u16string& key, const std::u16string& name);

}  // namespace halvex
