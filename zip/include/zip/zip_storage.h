// CZipStorage: the byte stream beneath an archive. It owns the archive file
// (or uses a caller's file object), buffers what is written, and hides
// whether the archive is one file or volumes: split (numbered files of a
// fixed size), binary split (plain slices of one stream) or spanned (one
// file per removable disk).
#pragma once

#include <memory>
#include <vector>

#include "zip/zip_auto_buffer.h"
#include "zip/zip_file.h"
#include "zip/zip_split_names.h"

// Asks the user for a volume. m_szExternalFile holds the proposed path and
// receives the one to use; false from Callback gives up (code 105).
class CZipSegmCallback {
public:
    enum Reason : int {
        volumeForReading = 0,
        volumeForWriting = 1,
        fileExists = 2,
        cannotSetLabel = 3,
        cannotCreate = 4,
        fileNotFound = 5,
    };

    virtual ~CZipSegmCallback() = default;
    virtual bool Callback(ZIP_SIZE_TYPE progress) = 0;

    CZipString m_szExternalFile;
    ZIP_VOLUME_TYPE m_uVolumeNeeded = 0;
    int m_iCode = volumeForReading;
};

class CZipStorage {
public:
    enum State : int {
        stateOpened = 0x01,
        stateReadOnly = 0x02,
        stateAutoClose = 0x04,  // the storage opened the file and closes it
        stateExisting = 0x08,   // the archive existed before, or was finalised
        stateSegmented = 0x10,
        stateSplit = 0x30,
        stateBinarySplit = 0x70,
        stateSpanned = 0x90,
    };
    enum OpenMode : int {
        zipOpen = 0x0001,
        zipOpenReadOnly = 0x0003,
        zipCreate = 0x0004,
        zipCreateAppend = 0x000C,  // written behind what the file already holds
        zipModeSplit = 0x0100,
        zipModeBinSplit = 0x0200,
        zipModeSpan = 0x0400,
        zipModeSegmented = 0x0700,
    };
    static constexpr std::uint32_t kSpanningSignature = 0x08074B50;  // APPNOTE 8.5.3
    static constexpr std::uint32_t kEndSignature = 0x06054B50;
    static constexpr std::uint32_t kSearchDepth = 65535 + 22;     // longest comment + end record

    CZipStorage() = default;
    CZipStorage(const CZipStorage&) = delete;
    CZipStorage& operator=(const CZipStorage&) = delete;
    virtual ~CZipStorage();

    void Open(const CZipString& path, int mode, ZIP_SIZE_TYPE volumeSize);
    // The archive in a caller's file object, which stays open at close. A
    // create mode empties the file (create-and-append keeps it); an open
    // mode reads what it holds.
    void Open(CZipAbstractFile& file, int mode);
    // With write, buffered data reach the file and a new split archive gets
    // its last volume's final name. Returns that name or, when asked for,
    // the name of the last volume.
    CZipString Close(bool write, bool wantLastVolumeName = false);

    // At once: the block must come from (or go to) one volume.
    std::uint32_t Read(void* buffer, std::uint32_t size, bool atOnce);
    void Write(const void* buffer, std::uint32_t size, bool atOnce);
    // The write buffer to the file; spanned: the disk's free space again.
    void Flush();

    // Position in archive terms: file position and buffered bytes, less the
    // bytes before the archive on volume 0, plus earlier volumes when binary split.
    ZIP_SIZE_TYPE GetPosition() const;
    // Puts the stream at an archive offset on a volume (offsets on volume 0
    // are shifted by the bytes before the archive).
    void SeekInArchive(ZIP_VOLUME_TYPE volume, ZIP_SIZE_TYPE offset);
    void SeekInBinary(ZIP_FILE_SIZE offset, bool fromStart);
    void AssureFree(std::uint32_t needed);
    ZIP_SIZE_TYPE VolumeLeft() const;
    void NextVolume(ZIP_SIZE_TYPE needed);
    void ChangeVolume(ZIP_VOLUME_TYPE number);
    void ChangeVolume() { ChangeVolume(m_uCurrentVolume + 1); }
    // File position of the end record's signature within the last
    // kSearchDepth bytes, or -1: the record farthest from the end whose
    // comment ends exactly at the end, else the one nearest the end. For
    // binary split the volume holding it becomes the current one.
    ZIP_FILE_SIZE LocateSignature();
    void UpdateSegmMode(ZIP_VOLUME_TYPE lastVolume);
    void FinalizeSegm();

    ZIP_VOLUME_TYPE GetCurrentVolume() const noexcept { return m_uCurrentVolume; }
    ZIP_VOLUME_TYPE GetLastVolume() const noexcept { return static_cast<ZIP_VOLUME_TYPE>(m_uSplitData); }
    bool IsOpen() const noexcept { return Has(stateOpened); }
    bool IsReadOnly() const noexcept { return Has(stateReadOnly); }
    bool IsExisting() const noexcept { return Has(stateExisting); }
    bool IsSegmented() const noexcept { return Has(stateSegmented); }
    bool IsSplit() const noexcept { return Has(stateSplit); }
    bool IsBinarySplit() const noexcept { return Has(stateBinarySplit); }
    bool IsSpanned() const noexcept { return Has(stateSpanned); }
    bool IsNewSegmented() const noexcept { return IsSegmented() && !IsExisting(); }
    bool IsExistingSegmented() const noexcept { return IsSegmented() && IsExisting(); }

    CZipAbstractFile* GetFile() const noexcept { return m_pFile; }
    const CZipString& GetArchivePath() const noexcept { return m_szArchiveName; }
    std::uint32_t GetBufferedBytes() const noexcept { return m_uBytesInWriteBuffer; }
    ZIP_SIZE_TYPE GetBytesWritten() const noexcept { return m_uBytesWritten; }
    ZIP_SIZE_TYPE GetCurrentVolumeSize() const noexcept { return m_uCurrentVolSize; }
    // The write buffer's contents, for the central directory's in-place
    // conversion of a one-volume archive.
    char* GetWriteBuffer() noexcept { return m_pWriteBuffer.GetBuffer(); }
    void SetBufferedBytes(std::uint32_t count) noexcept { m_uBytesInWriteBuffer = count; }
    void SetBytesWritten(ZIP_SIZE_TYPE count) noexcept { m_uBytesWritten = count; }
    // Throws code with the current file's path.
    [[noreturn]] void ThrowError(int code) const;

    // Data that precede the archive in volume 0 (a self-extracting stub).
    ZIP_SIZE_TYPE m_uBytesBeforeZip = 0;
    int m_iWriteBufferSize = 65536;
    int m_iLocateBufferSize = 32768;
    CZipSegmCallback* m_pSpanChangeVolumeFunc = nullptr;
    CZipSegmCallback* m_pSplitChangeVolumeFunc = nullptr;
    // A handler set by the caller is used and not deleted.
    CZipSplitNamesHandler* m_pSplitNamesHandler = nullptr;

private:
    bool Has(int bits) const noexcept { return (m_state & bits) == bits; }
    void OpenExisting(const CZipString& path, int mode);
    void OpenForCreating(int mode, ZIP_SIZE_TYPE volumeSize);
    void SetUpNamesHandler();
    void ClearNamesHandler() noexcept;
    void ClearSegmentation() noexcept { m_state &= ~0xF0; }
    CZipString GetSplitVolumeName(bool last) const;
    void CacheBinarySplitSizes();
    ZIP_SIZE_TYPE VolumeLength(ZIP_VOLUME_TYPE volume) const;
    // Volume changes that need the user: throws 115 without a callback and
    // 105 when it gives up; returns the path it chose.
    CZipString CallCallback(ZIP_SIZE_TYPE progress, int reason, const CZipString& path);
    void WriteInternalBuffer(const char* data, std::uint32_t size);
    void FlushBuffer();
    void MeasureSpannedFreeSpace();
    CZipString RenameLastFileInSplitArchive();
    void OpenVolumeFile(const CZipString& path, std::uint32_t flags);
    static bool Exists(const CZipString& path);
    void Reset() noexcept;

    CZipAbstractFile* m_pFile = nullptr;
    // Split archive being written: the volume size; read or finalised
    // segmented archive: the number of the last volume.
    ZIP_SIZE_TYPE m_uSplitData = 0;
    std::uint32_t m_uBytesInWriteBuffer = 0;
    ZIP_SIZE_TYPE m_uCurrentVolSize = 0;
    CZipAutoBuffer m_pWriteBuffer;
    ZIP_SIZE_TYPE m_uBytesWritten = 0;
    ZIP_VOLUME_TYPE m_uCurrentVolume = ZIP_VOLUME_NUMBER_UNSPECIFIED;
    int m_state = 0;
    CZipSegmCallback* m_pChangeVolumeFunc = nullptr;
    CZipString m_szArchiveName;
    CZipFile m_internalfile;
    std::unique_ptr<CZipSplitNamesHandler> m_ownHandler;
    std::vector<ZIP_SIZE_TYPE> m_cachedSizes;  // binary split: every volume's length
};
