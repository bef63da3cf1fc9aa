// CZipAbstractFile: the one file interface every byte of an archive passes
// through. CZipFile is a disk file, CZipMemFile a block of memory; callers
// may supply their own.
#pragma once

#include <cstdint>

#include "zip/zip_string.h"

class CZipAbstractFile {
public:
    enum Origin : int { begin = 0, current = 1, end = 2 };

    virtual ~CZipAbstractFile() = default;

    virtual bool Open(const CZipString& path, std::uint32_t flags, bool throwOnError);
    virtual void Close() = 0;
    virtual void Flush() = 0;
    virtual ZIP_FILE_USIZE GetPosition() const = 0;
    virtual ZIP_FILE_USIZE Seek(ZIP_FILE_SIZE offset, int origin) = 0;
    virtual ZIP_FILE_USIZE GetLength() const = 0;
    virtual void SetLength(ZIP_FILE_USIZE length) = 0;
    virtual ZIP_FILE_USIZE SeekToBegin() { return Seek(0, begin); }
    virtual ZIP_FILE_USIZE SeekToEnd() { return Seek(0, end); }
    virtual CZipString GetFilePath() const = 0;
    // The count read; fewer than asked only at the end of the data.
    virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
    virtual void Write(const void* buffer, std::uint32_t count) = 0;
    virtual bool IsClosed() const = 0;

    // A seek by an unsigned offset: from the start, or (fromStart false)
    // backwards from the end. An offset of 2^63 or more, which a signed seek
    // cannot express, is turned into the length minus it in the other direction.
    ZIP_FILE_USIZE SeekUnsigned(ZIP_FILE_USIZE offset, bool fromStart = true);
};
