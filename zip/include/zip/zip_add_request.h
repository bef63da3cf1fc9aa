// CZipAddRequest: what CZipBundle::AddNewFile adds: a disk file or a
// caller's file object, under which name, how compressed, and whether it
// replaces an existing entry.
#pragma once

#include <cstdint>

#include "zip/zip_abstract_file.h"
#include "zip/zip_string.h"

class CZipAddRequest {
public:
    // Smart flags: how the archive treats particular sources.
    enum SmartFlags : int {
        smartNoPasswordForDirectories = 0x0001,
        smartNoPasswordForEmpty = 0x0002,
        smartStoreSmall = 0x0004,         // a file smaller than 5 bytes is stored
        smartCheckEfficiency = 0x0008,    // data that grow when compressed are added again stored
        smartMemoryTemporary = 0x0010,    // with 0x0008: the temporary archive lives in memory
        smartInternalStore = 0xF000,      // the second, stored add after a failed efficiency check
        smartDefault = smartNoPasswordForDirectories | smartNoPasswordForEmpty | smartStoreSmall,
    };

    CZipAddRequest(const CZipString& sourcePath, const CZipString& nameInArchive)
        : m_szFilePath(sourcePath), m_szFileNameInZip(nameInArchive) {}
    CZipAddRequest(CZipAbstractFile& source, const CZipString& nameInArchive)
        : m_pFile(&source), m_szFileNameInZip(nameInArchive) {}

    CZipAbstractFile* m_pFile = nullptr;  // the caller's, not owned
    CZipString m_szFilePath;              // with a file object: its own path
    CZipString m_szFileNameInZip;         // empty: made from the source path
    bool m_bFullPath = true;              // a name made from the path keeps its folders
    int m_iLevel = -1;                    // the compressor's default
    int m_iSmartLevel = smartDefault;
    ZIP_INDEX_TYPE m_uReplaceIndex = ZIP_FILE_INDEX_NOT_FOUND;
    std::uint32_t m_nBufSize = 65536;
};
