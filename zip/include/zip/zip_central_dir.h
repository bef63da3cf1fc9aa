// CZipCentralDir: the entries of an open archive. It finds and reads the
// end of central directory record (and the ZIP64 end record and locator),
// reads every central header, keeps the headers in local-header order and a
// second index ordered by name, changes the list while the archive is
// changed, and writes the central directory and end records back.
#pragma once

#include <memory>
#include <vector>

#include "zip/zip_auto_buffer.h"
#include "zip/zip_file_header.h"
#include "zip/zip_string.h"

class CZipProgressCallback;
class CZipStorage;

// What a central directory asks of the archive that holds it (CZipBundle).
// A directory without an archive has no callbacks and refers every change
// to its own rules.
class CZipBundleHooks {
public:
    virtual ~CZipBundleHooks() = default;
    // The caller's progress callback registered for the kind, or null.
    virtual CZipProgressCallback* FindCallback(int kind) = 0;
    // True when the archive applies renames at once (its commit mode 1);
    // then CommitRename decides whether a rename is allowed.
    virtual bool CommitsImmediately() const = 0;
    virtual bool CommitRename(CZipFileHeader& header) = 0;
    // An attribute change has reached the file; the archive must be saved.
    virtual void MarkChanged() = 0;
};

struct CZipNameIndexEntry {
    CZipFileHeader* m_pHeader;
    ZIP_INDEX_TYPE m_uIndex;
};

struct CZipDirectoryInfo {
    ZIP_SIZE_TYPE m_uEndOffset = 0;            // end record, or the ZIP64 end record
    ZIP_VOLUME_TYPE m_uLastVolume = 0;         // the volume holding the end record
    ZIP_VOLUME_TYPE m_uVolumeWithCD = 0;
    ZIP_INDEX_TYPE m_uVolumeEntriesNo = 0;     // entries on that volume
    ZIP_INDEX_TYPE m_uEntriesNumber = 0;
    ZIP_SIZE_TYPE m_uSize = 0;
    ZIP_SIZE_TYPE m_uOffset = 0;               // relative to the archive's (volume's) start
    ZIP_VOLUME_TYPE m_uVolumeWithZip64End = ZIP_VOLUME_NUMBER_UNSPECIFIED;
    bool m_bInArchive = false;                 // the directory in the file is current
    CZipAutoBuffer m_pszComment;               // stored bytes
    bool m_bCaseSensitive = false;             // of the name index
    bool m_bFindFastEnabled = false;           // the name index exists
    ZIPSTRINGCOMPARE m_pCompare = CompareCollatedNoCase;

    // Some count, size, offset or volume does not fit the plain end record.
    bool NeedsZip64() const noexcept;
};

class CZipCentralDir {
public:
    // Checks the archive may switch off (bit set m_iIgnoredChecks).
    enum Checks : int {
        checkCrc = 0x0001,            // CRC of extracted data
        checkLocalMethod = 0x0002,
        checkLocalSizes = 0x0004,
        checkLocalCrc = 0x0008,
        checkLocalFlags = 0x0010,
        checkLocalOnClose = 0x0100,   // local against central header after reading
        checkVolumeEntries = 0x0200,  // entry counts of a one-volume end record
    };
    static constexpr std::uint32_t kEndRecordSize = 22;
    static constexpr std::uint32_t kZip64EndSize = 56;
    static constexpr std::uint32_t kZip64LocatorSize = 20;

    explicit CZipCentralDir(CZipStorage& storage, CZipBundleHooks* archive = nullptr)
        : m_pStorage(&storage), m_pArchive(archive) {}
    CZipCentralDir(const CZipCentralDir&) = delete;
    CZipCentralDir& operator=(const CZipCentralDir&) = delete;
    virtual ~CZipCentralDir() = default;

    // Reads the directory of the archive just opened: every header the end
    // record's count and directory size account for, or 101. Exhaustive:
    // central headers that follow beyond them are read too.
    void Read(bool exhaustive);
    // Forgets every header and the end record's values.
    void Clear() noexcept;

    ZIP_INDEX_TYPE GetCount() const noexcept { return m_headers.size(); }
    bool IsIndexValid(ZIP_INDEX_TYPE index) const noexcept {
        return index != ZIP_FILE_INDEX_NOT_FOUND && index < GetCount();
    }
    CZipFileHeader* operator[](ZIP_INDEX_TYPE index) const { return m_headers.at(index).get(); }
    // Reads and checks the entry's local header (101 when it does not fit)
    // and makes the entry the opened one.
    void OpenEntry(ZIP_INDEX_TYPE index);

    // Writing road.
    CZipFileHeader* InsertEntry(const CZipFileHeader& pattern, ZIP_INDEX_TYPE replaceIndex, int level,
                                bool copyRawSizes);
    void FinishNewEntry(CZipFileHeader& header);
    void EraseEntry(CZipFileHeader* header, ZIP_INDEX_TYPE index, bool shiftIndexes);
    void TruncateLastEntry(CZipFileHeader* header = nullptr, ZIP_INDEX_TYPE index = ZIP_FILE_INDEX_NOT_FOUND);
    void Commit();
    // Cuts the file where the directory begins, once the archive changes;
    // 122 when the archive needs ZIP64 records and has data in front of it.
    void CutAtDirectory();
    ZIP_SIZE_TYPE TotalSize() const;

    // The index of the entry of that name, or ZIP_FILE_INDEX_NOT_FOUND.
    // Sporadic: a search whose case sensitivity differs from the index's
    // scans instead of rebuilding the index. File name only: the stored
    // names are compared without their folders.
    ZIP_INDEX_TYPE FindByName(const CZipString& name, bool caseSensitive, bool sporadic, bool fileNameOnly);
    void RebuildNameIndex(bool caseSensitive);

    // Asked by CZipFileHeader::Rename and SetLocalAttributes.
    bool OnRename(CZipFileHeader& header);
    bool OnAttributesChange(CZipFileHeader& header);
    bool AnyRenamed() const;

    CZipStorage& GetStorage() const noexcept { return *m_pStorage; }
    CZipDirectoryInfo& GetInfo() noexcept { return m_info; }
    const CZipDirectoryInfo& GetInfo() const noexcept { return m_info; }

    CZipFileHeader* m_pOpenedFile = nullptr;
    int m_iIgnoredChecks = checkLocalOnClose | checkVolumeEntries;

private:
    void ReadEndRecord();
    void LoadZip64End();
    bool ReadZip64EndBehindPrefix(ZIP_FILE_USIZE locatorAt, char (&record)[kZip64EndSize]);
    void LoadHeaders(bool exhaustive);
    // Appends a header read from the storage and gives its size (101 when it is not one).
    std::uint32_t ReadHeader(bool withSignature);
    // Reads 4 bytes: true when they are a central header's signature.
    bool CentralHeaderFollows();
    void SortAndCheckHeaders();
    [[noreturn]] void ThrowError(int code) const;
    bool ChangesAllowed() const;

    ZIP_INDEX_TYPE IndexSearch(const CZipString& name) const;
    ZIP_INDEX_TYPE IndexFind(const CZipString& name, ZIPSTRINGCOMPARE compare) const;
    ZIP_INDEX_TYPE FindFileNameOnly(const CZipString& name, ZIPSTRINGCOMPARE compare) const;
    void IndexInsert(CZipFileHeader* header, ZIP_INDEX_TYPE index);
    ZIP_INDEX_TYPE IndexRemove(const CZipFileHeader* header, bool shiftIndexes);

    ZIP_SIZE_TYPE DroppedBytes(ZIP_INDEX_TYPE index) const;
    bool DropDescriptors(bool fromBuffer);
    void StoreHeaders(bool oneVolume);
    void StoreZip64End();
    void StoreEndRecord();

    CZipStorage* m_pStorage;
    CZipBundleHooks* m_pArchive;
    std::vector<std::unique_ptr<CZipFileHeader>> m_headers;  // local-header order
    std::vector<CZipNameIndexEntry> m_index;                  // name order
    CZipDirectoryInfo m_info;
};
