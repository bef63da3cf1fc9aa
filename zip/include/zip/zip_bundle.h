// CZipBundle: one ZIP archive (PKWARE APPNOTE) on disk or in a caller's
// file object. It opens and closes the archive, adds entries from disk
// files or file objects (compressed, encrypted, replacing or copied from
// another archive), and finds and extracts entries into file objects or
// into files on disk.
//
// Refusals (not open, already open, read-only, an entry already open, a
// method to set that the archive does not offer, a bad index) return false
// and change nothing; every other failure throws CZipException, after
// which the caller closes the archive with closeAfterException or
// closeAfterError. A failed Open leaves the archive closed.
//
// The reading build (TESK_ZIP_WIDE) carries opening, closing, finding and
// extracting; the members that write are declared but not built there.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "zip/zip_add_request.h"
#include "zip/zip_central_dir.h"
#include "zip/zip_compressor.h"
#include "zip/zip_path_component.h"
#include "zip/zip_cryptograph.h"
#include "zip/zip_exception.h"
#include "zip/zip_progress.h"
#include "zip/zip_storage.h"

using CZipIndexesArray = std::vector<ZIP_INDEX_TYPE>;

class CZipBundle : public CZipBundleHooks {
public:
    enum OpenMode : int {
        zipOpen = CZipStorage::zipOpen,                  // an existing archive, for reading and changing
        zipOpenReadOnly = CZipStorage::zipOpenReadOnly,
        zipCreate = CZipStorage::zipCreate,
        zipCreateAppend = CZipStorage::zipCreateAppend,  // behind what the file already holds
        zipModeSplit = CZipStorage::zipModeSplit,        // numbered volumes of a fixed size
        zipModeBinSplit = CZipStorage::zipModeBinSplit,  // slices of one stream: a.zip.001, ...
        zipModeSpan = CZipStorage::zipModeSpan,          // one volume per removable disk
    };
    enum CloseMode : int {
        closeNormal = 0,
        closeAfterException = 1,  // nothing more is written to a new archive
        closeAfterError = 2,      // the central directory of the completed entries is still written
    };
    // The kind argument of PredictFileNameInZip and FindFile.
    enum PathKind : int { pathDirectory = 0, pathFile = 1, pathBySeparator = 2 };
    // CloseEntryForReading's results.
    enum ReadResult : int { readNotOpen = 0, readOk = 1, readIncomplete = -1, readNoAttributes = -2 };

    CZipBundle();
    CZipBundle(const CZipBundle&) = delete;
    CZipBundle& operator=(const CZipBundle&) = delete;
    // Writes nothing: a caller closes first.
    ~CZipBundle() override;

    // A create mode with zipModeSplit or zipModeBinSplit makes volumes of
    // volumeSize bytes. False when an archive is open already.
    bool Open(const CZipString& path, int mode = zipOpen, ZIP_SIZE_TYPE volumeSize = 0);
    // The archive in a caller's file object, which stays the caller's and
    // keeps its content unless a create mode is given.
    bool Open(CZipAbstractFile& file, int mode = zipOpen);
    // The path of the archive that was closed, empty when none was open.
    // With updateTime the file gets the newest entry's modification time.
    CZipString Close(int mode = closeNormal, bool updateTime = false);
    bool IsClosed() const noexcept { return !m_storage.IsOpen(); }
    CZipString GetArchivePath() const;

    // Settings; a compression method, case sensitivity, encryption method,
    // callbacks, compressor options and the memory extraction limit survive
    // a close.
    bool SetCompressionMethod(std::uint16_t method);
    std::uint16_t GetCompressionMethod() const noexcept { return m_uCompressionMethod; }
    void SetCaseSensitivity(bool caseSensitive) noexcept;
    bool GetCaseSensitivity() const noexcept { return m_bCaseSensitive; }
    // Refused while an entry is open; null clears it. Kept as UTF-8 bytes
    // for Unix, Macintosh and OS/X hosts, as ANSI bytes otherwise. The
    // password does not survive a close.
    bool SetPassword(const ZIPCHAR* password);
    CZipString GetPassword() const;
    // CZipCryptograph::encStandard, encWinZipAes128..256 or encNone; refused
    // while an entry is open.
    bool SetEncryptionMethod(int method);
    int GetEncryptionMethod() const noexcept { return m_iEncryptionMethod; }
    // Only while open and no entry is being written: 0, 3, 6, 7, 11, 15 or 20.
    bool SetHostSystem(int system);
    int GetHostSystem() const noexcept { return m_iArchiveSystCompatib; }
    // Names made from paths below it lose it (PredictFileNameInZip).
    void SetRootFolder(const ZIPCHAR* folder);
    const CZipString& GetRootFolder() const noexcept { return m_szRootPath; }
    // A caller's callback (not owned) for a kind of CZipProgressCallback; null removes it.
    void SetCallback(CZipProgressCallback* callback, int kind);
    // Options for the compressors of their type (a copy is kept).
    void SetCompressionOptions(const CZipCompressor::COptions& options);
    // The most bytes one entry may bring into a CZipMemFile target of
    // ExtractFile; kDefaultMemoryExtractionLimit unless set.
    void SetMemoryExtractionLimit(ZIP_SIZE_TYPE bytes) noexcept { m_uMemoryExtractionLimit = bytes; }
    ZIP_SIZE_TYPE GetMemoryExtractionLimit() const noexcept { return m_uMemoryExtractionLimit; }
    static constexpr ZIP_SIZE_TYPE kDefaultMemoryExtractionLimit = ZIP_SIZE_TYPE{256} << 20;  // 256 MiB

    ZIP_INDEX_TYPE GetCount() const noexcept { return m_centralDir.GetCount(); }
    // Null when no archive is open or the index is out of range.
    CZipFileHeader* GetFileInfo(ZIP_INDEX_TYPE index);
    const CZipFileHeader* GetFileInfo(ZIP_INDEX_TYPE index) const;

    // Names. kind: pathDirectory, pathFile or pathBySeparator.
    CZipString PredictFileNameInZip(const CZipString& path, bool fullPath, int kind) const;
    CZipString PredictExtractedFileName(const CZipString& nameInZip, const CZipString& folder, bool fullPath,
                                        const ZIPCHAR* newName = nullptr) const;
    // The index of the entry of that name (normalised as PredictFileNameInZip
    // would), or ZIP_FILE_INDEX_NOT_FOUND.
    ZIP_INDEX_TYPE FindFile(const CZipString& name, bool fullPath = true, bool fileNameOnly = false,
                            int kind = pathBySeparator);
    // Appends, in index order, the entries whose whole name (or, without
    // fullPath, file name) matches the wildcard pattern (ZipKit::CWildcard).
    void FindMatches(const CZipString& pattern, CZipIndexesArray& indexes, bool fullPath = true);

    // Adding. False means nothing was added (a refusal, an unreadable source).
    bool AddNewFile(const CZipString& sourcePath, const CZipString& nameInZip, int level = -1,
                    int smartLevel = CZipAddRequest::smartDefault, std::uint32_t bufferSize = 65536);
    bool AddNewFile(CZipAbstractFile& source, const CZipString& nameInZip, int level = -1,
                    int smartLevel = CZipAddRequest::smartDefault, std::uint32_t bufferSize = 65536);
    // With a replace index the new entry takes that entry's place; the old
    // one is given up only once the new one is complete.
    bool AddNewFile(const CZipAddRequest& request);
    // Copies an entry of another open archive without decompressing it;
    // encrypts it on the way when it is plain and this archive has a password.
    bool CopyEntryFrom(CZipBundle& other, ZIP_INDEX_TYPE sourceIndex,
                       ZIP_INDEX_TYPE replaceIndex = ZIP_FILE_INDEX_NOT_FOUND, CZipProgressCallback* callback = nullptr);

    // Extracting. The data are checked (CRC-32 or the AES authentication
    // code) before they count: on any failure the target file object is cut
    // back to its length before the call, and a disk file is not written at
    // all (the data go to a temporary file beside it, moved into place once
    // verified). An entry of a method no compressor handles is code 124.
    // A CZipMemFile target grows with the data as they arrive; an entry that
    // declares more bytes than the memory extraction limit is code 125
    // before anything is read or allocated, and no entry yields more bytes
    // than it declares (101).
    // On disk, the drive ("C:"), prefix ("\\", "\\?\", "\\?\UNC\") and
    // leading separators of a name (or of newName) are dropped: "C:\a.txt",
    // "\\?\C:\a.txt" and "/a.txt" land as "a.txt" in the folder,
    // "\\server\share\a.txt" as "server\share\a.txt". Names with a "." or
    // ".." component, names of which nothing is left ("C:") and symbolic
    // links are refused with false. Folders and files below the folder are
    // reached without following symbolic links: a link standing in the way
    // (or at the file's name) is ELOOP, and nothing is written through it. A
    // name component of more than NAME_MAX bytes is ENAMETOOLONG.
    bool ExtractFile(ZIP_INDEX_TYPE index, CZipAbstractFile& target, bool rewind = true,
                     std::uint32_t bufferSize = 65536);
    bool ExtractFile(ZIP_INDEX_TYPE index, const CZipString& folder, bool fullPath = true,
                     const ZIPCHAR* newName = nullptr, std::uint32_t bufferSize = 65536);

    // Reading an entry step by step; false (a refusal) for an entry of a
    // method no compressor handles.
    bool OpenEntryForReading(ZIP_INDEX_TYPE index);
    // At most size bytes of the open entry's data; 0 at its end.
    std::uint32_t ReadFile(void* buffer, std::uint32_t size);
    // readOk once all data were read and verified (code 102 or 123 when they
    // do not verify), readIncomplete when data were left unread.
    int CloseEntryForReading(bool afterError = false);

protected:
    // Keeps the current cryptograph or compressor when it can handle the
    // method, else asks the factory for one.
    virtual void SelectCryptograph(int method);
    virtual void SelectCompressor(int method);

    // CZipBundleHooks. A renamed entry's local header is rewritten at once
    // (the data behind it moved when its size changes); the close writes
    // the directory with the new name.
    CZipProgressCallback* FindCallback(int kind) override { return m_callbacks.Find(kind); }
    bool CommitsImmediately() const override { return true; }
    bool CommitRename(CZipFileHeader& header) override;
    // The central directory has left the file already; the close writes it.
    void MarkChanged() override {}

private:
    enum EntryState : int { entryNone = 0, entryWriting = 1, entryReading = -1 };

    // Opens the storage (openStorage), then reads the directory.
    template <class OpenStorage>
    void OpenInternal(int mode, OpenStorage&& openStorage);
    bool CanWrite() const noexcept;
    [[noreturn]] void RaiseError(int code) const;
    CZipString StripRootFolder(const CZipPathComponent& path) const;
    // What extraction appends to the target folder.
    CZipString ExtractedPiece(const CZipString& nameInZip, bool fullPath, const ZIPCHAR* newName) const;
    // OpenEntryForReading, with code 124 for a method no compressor handles.
    bool OpenEntryForExtracting(ZIP_INDEX_TYPE index);
    // Decompresses the open entry into the target and closes it: its
    // close result, or code 106 or 107 when the callback stops it.
    int ExtractOpenEntry(CZipAbstractFile& target, std::uint32_t bufferSize, CZipProgressCallback* callback);
    CZipAutoBuffer PasswordBytes(const CZipString& password) const;

    // The writing road.
    bool AddDirectory(CZipFileHeader& header, const CZipAddRequest& request);
    bool AddThroughTemporary(const CZipAddRequest& request, const CZipString& temporaryPath);
    bool AddDirect(CZipFileHeader& header, const CZipAddRequest& request, int level, bool checkEfficiency);
    bool OpenEntryForWriting(CZipFileHeader& header, int level);
    void WriteEntryData(const void* buffer, std::uint32_t size) { m_pCompressor->Compress(buffer, size); }
    // After an error the entry is given up: removed, and cut from the file
    // when it was the last one.
    bool CloseEntryForWriting(bool afterError = false);
    bool RemoveLastEntry(bool force);
    // Removes a new entry that could not be completed.
    void DiscardNewEntry(CZipFileHeader* header, bool appended);
    void CopyStoredData(CZipBundle& other, CZipFileHeader& target, ZIP_SIZE_TYPE size, bool encrypt,
                        CZipProgressCallback* callback, bool replacing);
    // Makes the space of the entry whose local header the storage stands at
    // fit neededSize bytes, moving every later entry.
    void ResizeEntrySpace(ZIP_INDEX_TYPE index, ZIP_SIZE_TYPE neededSize);
    void MoveArchiveData(ZIP_SIZE_TYPE start, ZIP_SIZE_TYPE end, ZIP_SIZE_TYPE distance, bool forward,
                         CZipProgressCallback* callback);
    bool RewriteRenamedHeader(CZipFileHeader& header);

    bool m_bCaseSensitive = false;
    CZipCallbackMap m_callbacks;
    CZipStorage m_storage;
    CZipCentralDir m_centralDir{m_storage, this};
    int m_iFileOpened = entryNone;
    CZipString m_szRootPath;
    int m_iArchiveSystCompatib = 0;
    CZipAutoBuffer m_pszPassword;
    std::unique_ptr<CZipCryptograph> m_pCryptograph;
    std::unique_ptr<CZipCompressor> m_pCompressor;
    int m_iEncryptionMethod = CZipCryptograph::encStandard;
    std::uint16_t m_uCompressionMethod = CZipCompressor::methodDeflate;
    ZIP_SIZE_TYPE m_uMemoryExtractionLimit = kDefaultMemoryExtractionLimit;
    CZipAutoBuffer m_pBuffer;  // moves and copies of stored data
    std::map<int, std::unique_ptr<CZipCompressor::COptions>> m_compressorsOptions;
};
