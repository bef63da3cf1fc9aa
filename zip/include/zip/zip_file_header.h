// CZipFileHeader: one entry of an archive, read from and written to its
// central header, local header and data descriptor (PKWARE APPNOTE 4.3),
// with its ZIP64 and AES extra records, its MS-DOS time, the code page of its
// name and comment, and its attributes in the form of its host system.
#pragma once

#include <cstdint>
#include <optional>

#include "win32/types.h"
#include "zip/zip_auto_buffer.h"
#include "zip/zip_extra_field.h"
#include "zip/zip_string.h"

class CZipCentralDir;
class CZipStorage;

class CZipFileHeader {
public:
    enum Flag : std::uint16_t {
        flagEncrypted = 0x0001,
        flagLevelMask = 0x0006,
        flagDataDescriptor = 0x0008,
        flagUtf8 = 0x0800,  // name and comment are UTF-8 (APPNOTE appendix D)
    };
    enum EncryptionMethod : std::uint8_t {
        encStandard = 0,
        encAes128 = 1,
        encAes192 = 2,
        encAes256 = 3,
        encNone = 0xFF,
    };
    // Host systems with attribute converters; 11, 15 and 20 are kept as they are.
    enum HostSystem : int { hostDos = 0, hostUnix = 3, hostOs2 = 6, hostMac = 7 };
    enum State : std::uint32_t { stateRenamed = 0x20 };
    static constexpr std::uint16_t kAesMethod = 99;
    static constexpr std::uint32_t kCentralHeaderSize = 46;
    static constexpr std::uint32_t kLocalHeaderSize = 30;
    static constexpr std::uint32_t kAesExtraSize = 11;  // 4 + 7 data bytes

    explicit CZipFileHeader(CZipCentralDir* owner = nullptr) : m_pCentralDir(owner) {}
    CZipFileHeader(const CZipFileHeader& other) { *this = other; }
    // Copies every field except the CRC-not-stored flag.
    CZipFileHeader& operator=(const CZipFileHeader& other);
    virtual ~CZipFileHeader() = default;

    // Reading. False (0) means "not a header"; the central directory makes
    // it 101. A central header read gives its size in bytes.
    std::uint32_t ReadCentralHeader(CZipStorage& storage, bool readSignature);
    bool ReadLocalHeader(CZipCentralDir& centralDir);
    bool VerifyDescriptor(CZipStorage& storage) const;

    // Writing.
    void PrepareForAdding(int level, bool segmented);
    void WriteLocalHeader(CZipStorage& storage);
    void WriteDescriptor(CZipStorage& storage) const;
    void RewriteLocalSizes(CZipStorage& storage);
    std::uint32_t WriteCentralHeader(CZipStorage& storage);

    // Sizes.
    std::uint32_t CentralHeaderSize() const;
    std::uint32_t LocalHeaderSize() const;
    std::uint32_t DescriptorSize(bool withSignature) const;
    // Encryption header and trailer bytes: 12 traditional; AES salt + 2 + 10.
    std::uint32_t EncryptionOverhead() const;
    // Compressed size without the encryption bytes (or, with false, with them added).
    ZIP_SIZE_TYPE GetDataSize(bool withoutEncryption) const;
    // Not larger than the source: the archive's efficiency check.
    bool IsDataEfficient() const { return GetDataSize(true) <= m_uUncomprSize; }
    bool NeedsZip64() const;
    bool IsEncrypted() const noexcept { return m_uEncryptionMethod != encNone; }
    bool IsAes() const noexcept { return m_uEncryptionMethod >= encAes128 && m_uEncryptionMethod <= encAes256; }
    bool IsDirectory() const;

    // Name and comment as text, converted from the stored bytes on first
    // use and cached; with dropBytes the stored name bytes are released.
    // The reference stays valid until the name changes.
    const CZipString& GetFileName(bool dropBytes = true);
    void SetFileName(const CZipString& name);
    CZipString GetComment();
    // Stored byte counts (more than 0xFFFF cannot be written: code 111).
    std::uint32_t GetFileNameSize() const;
    std::uint32_t GetCommentSize() const;
    // A new name: refused (false) when the owning central directory refuses.
    bool Rename(const CZipString& name);

    // Calendar time (seconds since 1970) from and to the local-time MS-DOS fields.
    std::int64_t GetModificationTime() const;
    void SetModificationTime(std::int64_t time);

    // Attributes in the local (Windows) form: 0x01 read-only, 0x02 hidden,
    // 0x10 directory, 0x20 archive.
    std::uint32_t GetLocalAttributes() const;
    bool SetLocalAttributes(std::uint32_t attributes);
    void ChangeHostSystem(int system);
    int GetSystemCompatibility() const noexcept { return m_iSystemCompatibility; }
    void SetSystemCompatibility(int system) noexcept { m_iSystemCompatibility = static_cast<std::int8_t>(system); }

    // 1, 2, 9 from the deflate level bits, -1 for the default, 0 when stored.
    int LevelFromFlags() const;

    std::uint8_t m_uVersionMadeBy = 0;
    std::uint16_t m_uVersionNeeded = 0;
    std::uint16_t m_uFlag = 0;
    std::uint16_t m_uMethod = 8;
    std::uint16_t m_uModTime = 0;
    std::uint16_t m_uModDate = 0;
    std::uint32_t m_uCrc32 = 0;
    ZIP_SIZE_TYPE m_uComprSize = 0;
    ZIP_SIZE_TYPE m_uUncomprSize = 0;
    ZIP_VOLUME_TYPE m_uVolumeStart = 0;
    std::uint16_t m_uInternalAttr = 0;
    ZIP_SIZE_TYPE m_uLocalComprSize = 0;
    ZIP_SIZE_TYPE m_uLocalUncomprSize = 0;
    ZIP_SIZE_TYPE m_uOffset = 0;
    CZipExtraRecordList m_aLocalExtraData;
    CZipExtraRecordList m_aCentralExtraData;
    std::uint32_t m_uExternalAttr = 0;
    std::uint16_t m_uLocalFileNameSize = 0;
    std::uint8_t m_uEncryptionMethod = encNone;
    bool m_bIgnoreCrc32 = false;  // AES vendor version 2: CRC written as 0
    std::uint32_t m_uLocalHeaderSize = 0;
    CZipCentralDir* m_pCentralDir = nullptr;
    std::uint32_t m_state = 0;

private:
    UINT TextCodePage(const CZipAutoBuffer& stored, UINT otherwise) const noexcept;
    UINT NameCodePage() const noexcept;
    UINT CommentCodePage() const noexcept;
    bool NameEndsWithSeparator() const;
    CZipAutoBuffer StoredName(UINT codePage) const;
    std::uint32_t UnicodeNameRecordSize() const;
    void PrepareStoredTexts();
    void CheckLengths(const CZipExtraRecordList& extra) const;
    void ReadUnicodeName();
    void AppendUnicodeNameRecord();
    CZipExtraRecord* AppendAesRecord(CZipExtraRecordList& extra) const;
    bool ParseAesRecord(const CZipExtraRecord& record, int& vendorVersion, int& strength, int& method) const;
    bool ReadZip64Central();
    void BuildZip64Central();
    std::uint32_t Zip64CentralDataSize() const;

    CZipAutoBuffer m_fileName;               // the stored bytes, may be empty
    std::optional<CZipString> m_szFileName;  // the text, made on first use
    CZipAutoBuffer m_unicodeName;            // UTF-8 name of a valid Info-ZIP Unicode path record
    CZipAutoBuffer m_comment;
    std::optional<CZipString> m_szComment;
    std::int8_t m_iSystemCompatibility = 0;
};
