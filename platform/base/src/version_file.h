// The version resource of a module file on disk, read without loading the
// file: the exported resource table is found through the ELF dynamic symbol
// table, and the table and its data lie in one section, so its offsets hold
// in the file as they do in memory.
#pragma once

#include <filesystem>
#include <vector>

#include "win32/types.h"

namespace platform::resources {

// Throws ERROR_FILE_NOT_FOUND (no file), ERROR_RESOURCE_DATA_NOT_FOUND (not
// a module, or one without resources), ERROR_RESOURCE_TYPE_NOT_FOUND (no
// version resource).
std::vector<BYTE> versionBlockOfFile(const std::filesystem::path& file);

}  // namespace platform::resources
