// C++ helpers about modules for the layer and the system.
#pragma once

#include <filesystem>

#include "win32/types.h"

namespace platform::modules {

// The module that contains the calling code (the shared object or program
// into which this copy of the layer is linked). Resource and string lookups
// with a null or this module's handle use it.
HMODULE thisModule() noexcept;
// The file of a module; the executable for null.
std::filesystem::path fileOf(HMODULE module);
// The shared object that would be loaded for a Windows module name, or an
// empty path when none is found.
std::filesystem::path resolve(std::u16string_view windowsName);

}  // namespace platform::modules
