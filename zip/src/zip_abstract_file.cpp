// The base's shared operations.
#include "zip/zip_abstract_file.h"

bool CZipAbstractFile::Open(const CZipString&, std::uint32_t, bool) { return false; }

ZIP_FILE_USIZE CZipAbstractFile::SeekUnsigned(ZIP_FILE_USIZE offset, bool fromStart) {
    constexpr ZIP_FILE_USIZE signedLimit = ZIP_FILE_USIZE{1} << 63;
    if (offset >= signedLimit) {
        offset = GetLength() - offset;
        fromStart = !fromStart;
    }
    return fromStart ? Seek(static_cast<ZIP_FILE_SIZE>(offset), begin)
                     : Seek(-static_cast<ZIP_FILE_SIZE>(offset), end);
}
