// CZipException: the one exception the library throws. Its code is a code of
// the library (below) or an errno value passed through from a disk file
// (ENAMETOOLONG for a name component of more than NAME_MAX bytes, ELOOP for
// a symbolic link met below an extraction folder).
#pragma once

#include <exception>

#include "win32/types.h"
#include "zip/zip_string.h"

class CZipException : public std::exception {
public:
    enum Code : int {
        generic = 100,            // no names handler, AES set-up, a search ran out of volumes
        badArchive = 101,         // damaged archive: inconsistent or short data
        badCrc = 102,             // extracted data does not match the entry's CRC-32
        noSpanCallback = 103,     // spanned archive without a span callback
        noVolumeSize = 104,       // split archive created with volume size 0
        aborted = 105,            // a volume-change callback returned false
        stoppedIncomplete = 106,  // stopped through a progress callback, entry left incomplete
        stoppedSafely = 107,      // stopped through a progress callback, archive consistent
        notRemovable = 108,       // spanned archive on a drive that is not removable
        tooManyVolumes = 109,
        tooLongData = 111,        // name, extra field or comment of 65,536 bytes or more
        badPassword = 113,
        noCallback = 115,         // a volume change needs a callback; data could not be moved
        noSourceAttributes = 116,
        cannotDeleteVolume = 117,
        cannotRenameVolume = 118,
        noAttributeConversion = 119,
        noEndRecord = 120,        // end of central directory record not found
        badZip64End = 121,        // ZIP64 end record with a wrong signature
        zip64WithPrefix = 122,    // ZIP64 records needed while bytes precede the archive
        badAuthCode = 123,
        unsupportedMethod = 124,  // an entry compressed with a method other than stored, deflate or bzip2
        tooLargeForMemory = 125,  // an entry larger than the memory extraction limit (CZipBundle)
        internal = 126,
        memoryFile = 505,         // a memory file cannot grow or seek there
        bzip2Internal = 609,
    };

    // Takes the thread's last Windows error as the system error.
    explicit CZipException(int code = generic, const ZIPCHAR* fileName = nullptr);
    [[noreturn]] static void Throw(int code, const ZIPCHAR* fileName = nullptr);
    [[noreturn]] static void Throw(int code, const CZipString& fileName) { Throw(code, fileName.c_str()); }

    int GetCode() const noexcept { return m_iCause; }
    const CZipString& GetFileName() const noexcept { return m_szFileName; }
    DWORD GetSystemError() const noexcept { return m_uSystemError; }

private:
    CZipString m_szFileName;
    int m_iCause;
    DWORD m_uSystemError;
};
