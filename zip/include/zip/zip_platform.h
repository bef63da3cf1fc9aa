// ZipSystem: the few operating-system services the archive, the storage and
// the headers need. None of them throws; they report by their results.
#pragma once

#include <cstdint>

#include "zip/zip_auto_buffer.h"
#include "zip/zip_string.h"

namespace ZipSystem {

// Total free bytes of the disk that holds the path (its drive, or on Linux
// the path itself); 0 when that cannot be learned.
ZIP_SIZE_TYPE FreeSpaceOfDevice(const CZipString& path);
// A new, empty temporary file "ZAR..." in the folder when it has room for
// the bytes needed, else in the system's temporary folder, else in the
// current folder; an empty text when none has room or the file cannot be made.
CZipString MakeTempFileName(const ZIPCHAR* folder, ZIP_SIZE_TYPE needed);
bool CurrentDirectory(CZipString& folder);
// Seconds since 1970; on failure the current time and false.
bool FileModificationTime(const CZipString& path, std::int64_t& time);
bool SetFileModificationTime(const CZipString& path, std::int64_t time);
bool IsRemovableDrive(const CZipString& path);
// Linux has no volume labels: always false.
bool SetDriveLabel(const CZipString& path, const CZipString& label);
// Creates the folder with every missing parent; true when it exists after.
bool ForceDirectory(const CZipString& path);
// The length of a disk file; false when it cannot be opened.
bool GetFileLength(const CZipString& path, ZIP_SIZE_TYPE& length);
// ANSI to OEM (true) or OEM to ANSI (false), in place.
void ConvertCodePage(CZipAutoBuffer& buffer, bool ansiToOem);

}  // namespace ZipSystem
