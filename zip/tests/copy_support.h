// Writing archives through the library's writing road, entry data copied as
// they are stored: what the archive class does when it copies an entry.
#pragma once

#include <filesystem>

#include "support.h"

namespace ziptest {

// Every entry of source into the directory's archive, data copied unchanged.
void copyEntries(OpenedArchive& source, CZipCentralDir& target);
// A new archive at target (mode and volume size as the storage takes them)
// with the entries of source; returns the name the storage closed.
CZipString copyArchive(const std::filesystem::path& source, const std::filesystem::path& target,
                       int mode = CZipStorage::zipCreate, ZIP_SIZE_TYPE volumeSize = 0);
// One stored entry with the given name and data, written as a new entry.
CZipFileHeader* addStored(CZipCentralDir& dir, const std::string& name, const std::string& data);

}  // namespace ziptest
