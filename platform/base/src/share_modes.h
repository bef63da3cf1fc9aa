// Sharing between the handles of this process, as Windows checks it: a new
// open fails with ERROR_SHARING_VIOLATION when it asks for an access an
// earlier open does not share, or shares less than an earlier open uses.
// Deleting and renaming count as delete access, copying as read (source)
// and write (destination). Files opened with FILE_FLAG_DELETE_ON_CLOSE go
// when the last open of the file closes.
#pragma once

#include <cstdint>
#include <filesystem>

#include "file_info.h"
#include "win32/files.h"

namespace platform::files {

// Access in the same bits as the FILE_SHARE_ flags that permit it.
inline constexpr DWORD kReadAccess = FILE_SHARE_READ;
inline constexpr DWORD kWriteAccess = FILE_SHARE_WRITE;
inline constexpr DWORD kDeleteAccess = FILE_SHARE_DELETE;
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// One open of a file, registered for the life of the object.
class ShareEntry {
public:
    ShareEntry(FileId id, DWORD access, DWORD share, std::filesystem::path deleteOnClose);
    ~ShareEntry();
    ShareEntry(const ShareEntry&) = delete;
    ShareEntry& operator=(const ShareEntry&) = delete;

private:
    FileId m_id;
    std::uint64_t m_serial;
};

// For calls that open and close the file in one go: a missing file passes.
void checkSharing(const std::filesystem::path& p, DWORD access);

}  // namespace platform::files
