// CZipFileHeader: reading the headers, sizes, names, times and attributes.
// Writing is in zip_file_header_write.cpp.
#include "zip/zip_file_header.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "byte_order.h"
#include "entry_text.h"
#include "win32/text.h"
#include "zip/zip_central_dir.h"
#include "zip/zip_exception.h"
#include "zip/zip_storage.h"
#include "zip_attributes.h"

namespace {

constexpr char kCentralSignature[4] = {'P', 'K', 1, 2};
constexpr char kLocalSignature[4] = {'P', 'K', 3, 4};
constexpr char kDescriptorSignature[4] = {'P', 'K', 7, 8};
constexpr std::uint64_t k32 = 0xFFFFFFFFu;

bool isUtf8Host(int system) noexcept { return system == 3 || system == 7 || system == 20; }

}  // namespace

CZipFileHeader& CZipFileHeader::operator=(const CZipFileHeader& other) {
    if (this == &other) return *this;
    const bool ignoreCrc = m_bIgnoreCrc32;
    m_uVersionMadeBy = other.m_uVersionMadeBy;
    m_uVersionNeeded = other.m_uVersionNeeded;
    m_uFlag = other.m_uFlag;
    m_uMethod = other.m_uMethod;
    m_uModTime = other.m_uModTime;
    m_uModDate = other.m_uModDate;
    m_uCrc32 = other.m_uCrc32;
    m_uComprSize = other.m_uComprSize;
    m_uUncomprSize = other.m_uUncomprSize;
    m_uVolumeStart = other.m_uVolumeStart;
    m_uInternalAttr = other.m_uInternalAttr;
    m_uLocalComprSize = other.m_uLocalComprSize;
    m_uLocalUncomprSize = other.m_uLocalUncomprSize;
    m_uOffset = other.m_uOffset;
    m_aLocalExtraData = other.m_aLocalExtraData;
    m_aCentralExtraData = other.m_aCentralExtraData;
    m_uExternalAttr = other.m_uExternalAttr;
    m_uLocalFileNameSize = other.m_uLocalFileNameSize;
    m_uEncryptionMethod = other.m_uEncryptionMethod;
    m_uLocalHeaderSize = other.m_uLocalHeaderSize;
    m_pCentralDir = other.m_pCentralDir;
    m_state = other.m_state;
    m_fileName = other.m_fileName;
    m_szFileName = other.m_szFileName;
    m_unicodeName = other.m_unicodeName;
    m_comment = other.m_comment;
    m_szComment = other.m_szComment;
    m_iSystemCompatibility = other.m_iSystemCompatibility;
    m_bIgnoreCrc32 = ignoreCrc;
    return *this;
}

std::uint32_t CZipFileHeader::ReadCentralHeader(CZipStorage& storage, bool readSignature) {
    const ZIP_VOLUME_TYPE volume = storage.GetCurrentVolume();
    char buffer[kCentralHeaderSize];
    if (readSignature) {
        storage.Read(buffer, kCentralHeaderSize, true);
        if (std::memcmp(buffer, kCentralSignature, 4) != 0) return 0;
    } else {
        std::memcpy(buffer, kCentralSignature, 4);
        storage.Read(buffer + 4, kCentralHeaderSize - 4, true);
    }
    using namespace zipbytes;
    m_uVersionMadeBy = static_cast<std::uint8_t>(buffer[4]);
    m_iSystemCompatibility = static_cast<std::int8_t>(buffer[5]);
    m_uVersionNeeded = get16(buffer + 6);
    m_uFlag = get16(buffer + 8);
    m_uMethod = get16(buffer + 10);
    m_uModTime = get16(buffer + 12);
    m_uModDate = get16(buffer + 14);
    m_uCrc32 = get32(buffer + 16);
    m_uComprSize = get32(buffer + 20);
    m_uUncomprSize = get32(buffer + 24);
    const std::uint16_t nameSize = get16(buffer + 28);
    const std::uint16_t extraSize = get16(buffer + 30);
    const std::uint16_t commentSize = get16(buffer + 32);
    m_uVolumeStart = get16(buffer + 34);
    m_uInternalAttr = get16(buffer + 36);
    m_uExternalAttr = get32(buffer + 38);
    m_uOffset = get32(buffer + 42);
    m_uEncryptionMethod = (m_uFlag & flagEncrypted) ? encStandard : encNone;

    m_szFileName.reset();
    m_fileName.Resize(nameSize);
    if (nameSize > 0) storage.Read(m_fileName.GetBuffer(), nameSize, true);
    if (!m_aCentralExtraData.Read(storage, extraSize) || !ReadZip64Central()) return 0;
    if (m_uMethod == kAesMethod && (m_uFlag & flagEncrypted)) {
        int vendor = 0, strength = 0, method = 0;
        const CZipExtraRecord* aes = m_aCentralExtraData.FindRecord(CZipExtraRecordList::aes);
        if (aes && ParseAesRecord(*aes, vendor, strength, method)) {
            m_uEncryptionMethod = static_cast<std::uint8_t>(strength);
            m_uMethod = static_cast<std::uint16_t>(method);
            m_bIgnoreCrc32 = vendor == 2;
        }
    }
    m_szComment.reset();
    m_comment.Resize(commentSize);
    if (commentSize > 0) storage.Read(m_comment.GetBuffer(), commentSize, true);
    ReadUnicodeName();
    m_aCentralExtraData.RemoveInternalHeaders();
    if (storage.GetCurrentVolume() != volume && !storage.IsBinarySplit()) return 0;
    return kCentralHeaderSize + nameSize + extraSize + commentSize;
}

// Only the fields that overflow their 32-bit (16-bit) places are in the record,
// in this order (APPNOTE 4.5.3).
bool CZipFileHeader::ReadZip64Central() {
    const CZipExtraRecord* record = m_aCentralExtraData.FindRecord(CZipExtraRecordList::zip64);
    if (!record) return true;
    const char* data = record->m_data.GetBuffer();
    const std::uint32_t size = record->m_data.GetSize();
    std::uint32_t at = 0;
    for (ZIP_SIZE_TYPE* field : {&m_uUncomprSize, &m_uComprSize, &m_uOffset}) {
        if (*field != k32) continue;
        if (at + 8 > size) return false;
        *field = zipbytes::get64(data + at);
        at += 8;
    }
    if (m_uVolumeStart == 0xFFFF) {
        if (at + 4 > size) return false;
        m_uVolumeStart = zipbytes::get32(data + at);
    }
    return true;
}

bool CZipFileHeader::ParseAesRecord(const CZipExtraRecord& record, int& vendorVersion, int& strength,
                                    int& method) const {
    if (record.m_data.GetSize() < 7) return false;
    const char* data = record.m_data.GetBuffer();
    vendorVersion = zipbytes::get16(data);
    strength = static_cast<unsigned char>(data[4]);
    method = zipbytes::get16(data + 5);
    return (vendorVersion == 1 || vendorVersion == 2) && zipbytes::get16(data + 2) == 0x4541 && strength >= 1 &&
           strength <= 3;
}

// The Info-ZIP Unicode path record (version 1, the CRC-32 of the stored name,
// the name in UTF-8) counts only while its CRC matches the stored name.
void CZipFileHeader::ReadUnicodeName() {
    m_unicodeName.Free();
    const CZipExtraRecord* record = m_aCentralExtraData.FindRecord(CZipExtraRecordList::unicodePath);
    if (!record || record->m_data.GetSize() < 5) return;
    const char* data = record->m_data.GetBuffer();
    if (data[0] != 1) return;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(m_fileName.GetBuffer()), m_fileName.GetSize());
    if (zipbytes::get32(data + 1) != static_cast<std::uint32_t>(crc)) return;
    const std::uint32_t length = record->m_data.GetSize() - 5;
    if (length > 0) std::memcpy(m_unicodeName.Resize(length), data + 5, length);
}

bool CZipFileHeader::ReadLocalHeader(CZipCentralDir& centralDir) {
    CZipStorage& storage = centralDir.GetStorage();
    const int ignored = centralDir.m_iIgnoredChecks;
    storage.SeekInArchive(m_uVolumeStart, m_uOffset);
    const ZIP_VOLUME_TYPE volume = storage.GetCurrentVolume();
    char buffer[kLocalHeaderSize];
    storage.Read(buffer, kLocalHeaderSize, true);
    if (std::memcmp(buffer, kLocalSignature, 4) != 0) return false;
    using namespace zipbytes;
    const std::uint16_t flags = get16(buffer + 6);
    std::uint16_t method = get16(buffer + 8);
    const std::uint32_t crc = get32(buffer + 14);
    const std::uint16_t nameSize = get16(buffer + 26);
    const std::uint16_t extraSize = get16(buffer + 28);
    if (!(ignored & CZipCentralDir::checkLocalFlags) && (flags & 0xF) != (m_uFlag & 0xF)) return false;

    if (nameSize > 0) {
        CZipAutoBuffer name(nameSize);
        storage.Read(name.GetBuffer(), nameSize, true);
    }
    m_uLocalFileNameSize = nameSize;
    m_uLocalHeaderSize = kLocalHeaderSize + nameSize + extraSize;
    if (!m_aLocalExtraData.Read(storage, extraSize)) return false;

    if (const CZipExtraRecord* zip64 = m_aLocalExtraData.FindRecord(CZipExtraRecordList::zip64)) {
        if (zip64->m_data.GetSize() < 16) return false;
        m_uLocalUncomprSize = get64(zip64->m_data.GetBuffer());
        m_uLocalComprSize = get64(zip64->m_data.GetBuffer() + 8);
    } else {
        m_uLocalComprSize = get32(buffer + 18);
        m_uLocalUncomprSize = get32(buffer + 22);
    }
    std::size_t aesIndex = 0;
    if (method == kAesMethod && (flags & flagEncrypted)) {
        if (const CZipExtraRecord* aes = m_aLocalExtraData.FindRecord(CZipExtraRecordList::aes, aesIndex)) {
            int vendor = 0, strength = 0, actual = 0;
            if (!ParseAesRecord(*aes, vendor, strength, actual) || (vendor == 2) != m_bIgnoreCrc32 ||
                strength != m_uEncryptionMethod)
                return false;
            m_aLocalExtraData.RemoveAt(aesIndex);
            method = static_cast<std::uint16_t>(actual);
        }
    }
    if (!(ignored & CZipCentralDir::checkLocalMethod) && method != m_uMethod) return false;
    if (!(flags & flagDataDescriptor) && !(ignored & (CZipCentralDir::checkLocalCrc | CZipCentralDir::checkLocalSizes))) {
        if (crc != m_uCrc32) return false;
        if (m_uLocalComprSize != 0 && m_uLocalComprSize != m_uComprSize) return false;
        if (m_uLocalUncomprSize != m_uUncomprSize) return false;
    }
    return storage.GetCurrentVolume() == volume || storage.IsBinarySplit();
}

// The sizes are 8 bytes each when they need it, and also whenever the local
// header carries a ZIP64 record (APPNOTE 4.3.9.2), as streaming writers such
// as Info-ZIP's zip produce for entries of any size.
bool CZipFileHeader::VerifyDescriptor(CZipStorage& storage) const {
    if (!(m_uFlag & flagDataDescriptor)) return true;
    const bool wide = m_uComprSize >= k32 || m_uUncomprSize >= k32 ||
                      m_aLocalExtraData.FindRecord(CZipExtraRecordList::zip64) != nullptr;
    const std::uint32_t sizeBytes = wide ? 8 : 4;
    char buffer[24];
    std::uint32_t length = 4 + 2 * sizeBytes;
    storage.Read(buffer, length, false);
    const char* fields = buffer;
    if (std::memcmp(buffer, kDescriptorSignature, 4) == 0) {
        storage.Read(buffer + length, 4, false);
        fields += 4;
    }
    using namespace zipbytes;
    const ZIP_SIZE_TYPE compressed = sizeBytes == 8 ? get64(fields + 4) : get32(fields + 4);
    const ZIP_SIZE_TYPE uncompressed = sizeBytes == 8 ? get64(fields + 12) : get32(fields + 8);
    return get32(fields) == m_uCrc32 && compressed == m_uComprSize && uncompressed == m_uUncomprSize;
}

bool CZipFileHeader::NeedsZip64() const {
    return m_uComprSize >= k32 || m_uUncomprSize >= k32 || m_uOffset >= k32 || m_uVolumeStart >= 0xFFFF;
}

std::uint32_t CZipFileHeader::Zip64CentralDataSize() const {
    std::uint32_t size = 0;
    for (ZIP_SIZE_TYPE field : {m_uUncomprSize, m_uComprSize, m_uOffset})
        if (field >= k32) size += 8;
    if (m_uVolumeStart >= 0xFFFF) size += 4;
    return size;
}

std::uint32_t CZipFileHeader::CentralHeaderSize() const {
    std::uint32_t size = kCentralHeaderSize + GetFileNameSize() + GetCommentSize() + m_aCentralExtraData.TotalSize();
    if (NeedsZip64()) size += 4 + Zip64CentralDataSize();
    if (IsAes()) size += kAesExtraSize;
    return size + UnicodeNameRecordSize();
}

// Written with the stored name (WriteCentralHeader): the record read with it,
// or for a name given as text the UTF-8 form unless the stored bytes are that.
std::uint32_t CZipFileHeader::UnicodeNameRecordSize() const {
    constexpr std::uint32_t fixed = 4 + 5;  // ID, size, version, CRC-32
    if (m_fileName.GetSize() > 0) return m_unicodeName.GetSize() > 0 ? fixed + m_unicodeName.GetSize() : 0;
    if (!m_szFileName) return 0;
    const CZipAutoBuffer utf8 = StoredName(CP_UTF8);
    return zipentry::sameBytes(utf8, StoredName(NameCodePage())) ? 0 : fixed + utf8.GetSize();
}

std::uint32_t CZipFileHeader::LocalHeaderSize() const {
    return kLocalHeaderSize + GetFileNameSize() + m_aLocalExtraData.TotalSize() + (IsAes() ? kAesExtraSize : 0);
}

std::uint32_t CZipFileHeader::DescriptorSize(bool withSignature) const {
    if (!(m_uFlag & flagDataDescriptor)) return 0;
    const std::uint32_t size = (m_uComprSize >= k32 || m_uUncomprSize >= k32) ? 20 : 12;
    return withSignature ? size + 4 : size;
}

std::uint32_t CZipFileHeader::EncryptionOverhead() const {
    switch (m_uEncryptionMethod) {
    case encNone: return 0;
    case encStandard: return 12;
    case encAes128: return 8 + 2 + 10;
    case encAes192: return 12 + 2 + 10;
    case encAes256: return 16 + 2 + 10;
    default: CZipException::Throw(CZipException::generic);
    }
}

ZIP_SIZE_TYPE CZipFileHeader::GetDataSize(bool withoutEncryption) const {
    const std::uint32_t overhead = EncryptionOverhead();
    if (!withoutEncryption) return m_uComprSize + overhead;
    return m_uComprSize >= overhead ? m_uComprSize - overhead : 0;
}

// Unix, Macintosh and OS X hosts store UTF-8 without always saying so; their
// bytes that are not UTF-8 were stored in the ANSI code page (by this
// library's narrow build, among others) and are read in it.
UINT CZipFileHeader::TextCodePage(const CZipAutoBuffer& stored, UINT otherwise) const noexcept {
    if (m_uFlag & flagUtf8) return CP_UTF8;
    if (isUtf8Host(m_iSystemCompatibility)) return zipentry::isUtf8(stored) ? CP_UTF8 : CP_ACP;
    return otherwise;
}

UINT CZipFileHeader::NameCodePage() const noexcept {
    return TextCodePage(m_fileName, m_iSystemCompatibility == 0 || m_iSystemCompatibility == 11 ? CP_OEMCP : CP_ACP);
}

UINT CZipFileHeader::CommentCodePage() const noexcept { return TextCodePage(m_comment, CP_ACP); }

const CZipString& CZipFileHeader::GetFileName(bool dropBytes) {
    if (!m_szFileName) {
        CZipString name = m_unicodeName.GetSize() > 0 ? zipentry::textFromBytes(m_unicodeName, CP_UTF8)
                                                       : zipentry::textFromBytes(m_fileName, NameCodePage());
        std::replace(name.begin(), name.end(), ZIPTEXT('/'), ZIPTEXT('\\'));
        m_szFileName = std::move(name);
    }
    if (dropBytes) {
        m_fileName.Free();
        m_unicodeName.Free();
    }
    return *m_szFileName;
}

void CZipFileHeader::SetFileName(const CZipString& name) {
    m_fileName.Free();
    m_unicodeName.Free();
    m_szFileName = name;
}

CZipString CZipFileHeader::GetComment() {
    if (!m_szComment) m_szComment = zipentry::textFromBytes(m_comment, CommentCodePage());
    return *m_szComment;
}

// The name text with "/" separators, in the code page.
CZipAutoBuffer CZipFileHeader::StoredName(UINT codePage) const {
    CZipString name(m_szFileName.value_or(CZipString()));
    std::replace(name.begin(), name.end(), ZIPTEXT('\\'), ZIPTEXT('/'));
    return zipentry::bytesFromText(name, codePage);
}

// The stored bytes when there are any, else those the text will be stored as
// (the same conversion WriteLocalHeader makes).
std::uint32_t CZipFileHeader::GetFileNameSize() const {
    if (m_fileName.GetSize() > 0 || !m_szFileName) return m_fileName.GetSize();
    return StoredName(NameCodePage()).GetSize();
}

std::uint32_t CZipFileHeader::GetCommentSize() const {
    if (m_comment.GetSize() > 0 || !m_szComment) return m_comment.GetSize();
    return zipentry::bytesFromText(*m_szComment, CommentCodePage()).GetSize();
}

bool CZipFileHeader::NameEndsWithSeparator() const {
    if (m_fileName.GetSize() > 0) {
        const char last = m_fileName.GetBuffer()[m_fileName.GetSize() - 1];
        return last == '/' || last == '\\';
    }
    return m_szFileName && !m_szFileName->empty() &&
           (m_szFileName->back() == ZIPTEXT('/') || m_szFileName->back() == ZIPTEXT('\\'));
}

bool CZipFileHeader::IsDirectory() const { return (GetLocalAttributes() & zipattr::kDirectory) != 0; }

// MS-DOS date and time are local time; the calendar time of the fields comes
// from the C library (mktime), as peers convert them.
std::int64_t CZipFileHeader::GetModificationTime() const {
    std::tm fields{};
    fields.tm_sec = (m_uModTime & 0x1F) * 2;
    fields.tm_min = (m_uModTime >> 5) & 0x3F;
    fields.tm_hour = m_uModTime >> 11;
    fields.tm_mday = m_uModDate & 0x1F;
    fields.tm_mon = ((m_uModDate >> 5) & 0x0F) - 1;
    fields.tm_year = (m_uModDate >> 9) + 80;
    fields.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&fields));
}

std::uint32_t CZipFileHeader::GetLocalAttributes() const {
    const int system = m_iSystemCompatibility;
    switch (system) {
    case 0: case 3: case 6: case 7: case 11: case 15: case 20: {
        const std::uint32_t raw = system == hostUnix ? m_uExternalAttr >> 16 : m_uExternalAttr & 0xFFFF;
        if (raw == 0 && NameEndsWithSeparator()) return zipattr::kDirectory;
        if (system >= 1 && system <= 10) return zipattr::convert(hostDos, zipattr::convert(system, raw, true), false);
        return raw;
    }
    default: return NameEndsWithSeparator() ? zipattr::kDirectory : zipattr::kArchive;
    }
}

int CZipFileHeader::LevelFromFlags() const {
    if (m_uMethod == 0) return 0;
    switch (m_uFlag & flagLevelMask) {
    case 0x0006: return 1;
    case 0x0004: return 2;
    case 0x0002: return 9;
    default: return -1;
    }
}
