// Whether a file is a shared object this process can load, judged by its
// ELF header alone.
#pragma once

#include <filesystem>

namespace platform::modules {

// True for an ELF shared object of the running program's class, byte order
// and machine; false for anything else (text, archives, other machines,
// programs that are not position independent).
bool isLoadableObject(const std::filesystem::path& file);

}  // namespace platform::modules
