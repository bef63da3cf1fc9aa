// CZipFileHeader: preparing and writing headers and descriptors, renaming,
// and setting times and attributes.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "byte_order.h"
#include "entry_text.h"
#include "win32/text.h"
#include "zip/zip_central_dir.h"
#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"
#include "zip/zip_path_component.h"
#include "zip/zip_storage.h"
#include "zip_attributes.h"

namespace {

constexpr std::uint64_t k32 = 0xFFFFFFFFu;
constexpr std::uint16_t kZip64Version = 45;

void raiseVersion(std::uint16_t& version, std::uint16_t atLeast) { version = std::max(version, atLeast); }

void writeSizes(std::vector<char>& header, std::uint32_t crc, ZIP_SIZE_TYPE compressed, ZIP_SIZE_TYPE uncompressed) {
    zipbytes::put32(header.data() + 14, crc);
    zipbytes::put32(header.data() + 18, static_cast<std::uint32_t>(compressed));
    zipbytes::put32(header.data() + 22, static_cast<std::uint32_t>(uncompressed));
}

}  // namespace

// A name whose stored bytes are carried over (a raw copy) keeps the UTF-8
// flag they were read with; any other new entry starts without flags.
void CZipFileHeader::PrepareForAdding(int level, bool segmented) {
    m_uFlag = m_fileName.GetSize() > 0 ? (m_uFlag & flagUtf8) : 0;
    m_uInternalAttr = 0;
    m_uVersionMadeBy = 46;
    m_uCrc32 = 0;
    m_uComprSize = m_uUncomprSize = 0;
    if (m_uMethod == 8) {
        if (level == 1) m_uFlag |= 0x0006;
        else if (level == 2) m_uFlag |= 0x0004;
        else if (level == 8 || level == 9) m_uFlag |= 0x0002;
    }
    if (segmented || m_uEncryptionMethod == encStandard) m_uFlag |= flagDataDescriptor;
    if (IsEncrypted()) m_uFlag |= flagEncrypted;
    m_uLocalComprSize += EncryptionOverhead();
    m_uVersionNeeded = m_uMethod == 12 ? 46 : 0;
    m_aLocalExtraData.Remove(CZipExtraRecordList::zip64);
    if (m_uLocalComprSize >= k32 || m_uLocalUncomprSize >= k32) {
        CZipExtraRecord* record = m_aLocalExtraData.AppendRecord(CZipExtraRecordList::zip64);
        char* data = record->m_data.Resize(16);
        zipbytes::put64(data, m_uLocalUncomprSize);
        zipbytes::put64(data + 8, m_uLocalComprSize);
        raiseVersion(m_uVersionNeeded, kZip64Version);
    }
    if (m_uVersionNeeded == 0) m_uVersionNeeded = IsDirectory() ? 10 : 20;
}

void CZipFileHeader::PrepareStoredTexts() {
    if (m_fileName.GetSize() == 0 && m_szFileName) {
        m_fileName = StoredName(NameCodePage());
        m_unicodeName = StoredName(CP_UTF8);
        if (zipentry::sameBytes(m_unicodeName, m_fileName)) m_unicodeName.Free();
    }
    if (m_comment.GetSize() == 0 && m_szComment) m_comment = zipentry::bytesFromText(*m_szComment, CommentCodePage());
}

void CZipFileHeader::CheckLengths(const CZipExtraRecordList& extra) const {
    if (m_fileName.GetSize() > 0xFFFF || m_comment.GetSize() > 0xFFFF || extra.TotalSize() > 0xFFFF)
        CZipException::Throw(CZipException::tooLongData);
}

CZipExtraRecord* CZipFileHeader::AppendAesRecord(CZipExtraRecordList& extra) const {
    CZipExtraRecord* record = extra.AppendRecord(CZipExtraRecordList::aes);
    char* data = record->m_data.Resize(7);
    zipbytes::put16(data, m_bIgnoreCrc32 ? 2 : 1);
    zipbytes::put16(data + 2, 0x4541);  // "AE"
    data[4] = static_cast<char>(m_uEncryptionMethod);
    zipbytes::put16(data + 5, m_uMethod);
    return record;
}

// The Info-ZIP Unicode path record (version 1, the CRC-32 of the stored
// name, the name in UTF-8): a valid one read with the name goes back out
// while the stored bytes are unchanged, and a name stored in the OEM or ANSI
// code page gets one, so that peers show the name itself.
void CZipFileHeader::AppendUnicodeNameRecord() {
    if (m_unicodeName.GetSize() == 0 || m_fileName.GetSize() == 0) return;
    CZipExtraRecord* record = m_aCentralExtraData.AppendRecord(CZipExtraRecordList::unicodePath);
    char* data = record->m_data.Resize(5 + m_unicodeName.GetSize());
    data[0] = 1;
    zipbytes::put32(data + 1, static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(m_fileName.GetBuffer()),
                                                               m_fileName.GetSize())));
    std::memcpy(data + 5, m_unicodeName.GetBuffer(), m_unicodeName.GetSize());
}

void CZipFileHeader::BuildZip64Central() {
    if (!NeedsZip64()) return;
    CZipExtraRecord* record = m_aCentralExtraData.AppendRecord(CZipExtraRecordList::zip64);
    char* data = record->m_data.Resize(Zip64CentralDataSize());
    for (ZIP_SIZE_TYPE field : {m_uUncomprSize, m_uComprSize, m_uOffset}) {
        if (field < k32) continue;
        zipbytes::put64(data, field);
        data += 8;
    }
    if (m_uVolumeStart >= 0xFFFF) zipbytes::put32(data, m_uVolumeStart);
    raiseVersion(m_uVersionNeeded, kZip64Version);
}

void CZipFileHeader::WriteLocalHeader(CZipStorage& storage) {
    m_aLocalExtraData.RemoveInternalLocalHeaders();
    if (m_uFlag & flagDataDescriptor) {
        m_uLocalComprSize = 0;
        if (!IsAes()) m_uLocalUncomprSize = 0;
    } else if (m_aLocalExtraData.FindRecord(CZipExtraRecordList::zip64)) {
        m_uLocalComprSize = std::min<ZIP_SIZE_TYPE>(m_uLocalComprSize, k32);
        m_uLocalUncomprSize = std::min<ZIP_SIZE_TYPE>(m_uLocalUncomprSize, k32);
    }
    if (IsAes()) AppendAesRecord(m_aLocalExtraData);
    PrepareStoredTexts();
    CheckLengths(m_aLocalExtraData);

    const std::uint32_t nameSize = m_fileName.GetSize();
    const std::uint32_t extraSize = m_aLocalExtraData.TotalSize();
    std::vector<char> header(kLocalHeaderSize + nameSize + extraSize);
    using namespace zipbytes;
    std::memcpy(header.data(), "PK\x03\x04", 4);
    put16(header.data() + 4, m_uVersionNeeded);
    put16(header.data() + 6, m_uFlag);
    put16(header.data() + 8, IsAes() ? kAesMethod : m_uMethod);
    put16(header.data() + 10, m_uModTime);
    put16(header.data() + 12, m_uModDate);
    writeSizes(header, m_bIgnoreCrc32 ? 0 : m_uCrc32, m_uLocalComprSize, m_uLocalUncomprSize);
    put16(header.data() + 26, static_cast<std::uint16_t>(nameSize));
    put16(header.data() + 28, static_cast<std::uint16_t>(extraSize));
    if (nameSize) std::memcpy(header.data() + kLocalHeaderSize, m_fileName.GetBuffer(), nameSize);
    m_aLocalExtraData.Write(header.data() + kLocalHeaderSize + nameSize);

    m_uLocalFileNameSize = static_cast<std::uint16_t>(nameSize);
    m_uLocalHeaderSize = static_cast<std::uint32_t>(header.size());
    storage.Write(header.data(), m_uLocalHeaderSize, true);
    m_uVolumeStart = storage.IsBinarySplit() ? 0 : storage.GetCurrentVolume();
    m_uOffset = storage.GetPosition() - m_uLocalHeaderSize;
    m_aLocalExtraData.RemoveInternalLocalHeaders();
    if (nameSize) m_szFileName.reset();
}

void CZipFileHeader::WriteDescriptor(CZipStorage& storage) const {
    if (!(m_uFlag & flagDataDescriptor)) return;
    const bool signature = storage.IsSegmented() || IsEncrypted();
    const bool wide = m_uComprSize >= k32 || m_uUncomprSize >= k32;
    char buffer[24];
    char* at = buffer;
    if (signature) {
        std::memcpy(at, "PK\x07\x08", 4);
        at += 4;
    }
    zipbytes::put32(at, m_bIgnoreCrc32 ? 0 : m_uCrc32);
    at += 4;
    for (ZIP_SIZE_TYPE size : {m_uComprSize, m_uUncomprSize}) {
        if (wide) {
            zipbytes::put64(at, size);
            at += 8;
        } else {
            zipbytes::put32(at, static_cast<std::uint32_t>(size));
            at += 4;
        }
    }
    storage.Write(buffer, static_cast<std::uint32_t>(at - buffer), true);
}

// The local header was written before the data; CRC and sizes are put in
// place now, directly in the file.
void CZipFileHeader::RewriteLocalSizes(CZipStorage& storage) {
    if (storage.IsSegmented() || (m_uFlag & flagDataDescriptor)) return;
    storage.Flush();
    CZipAbstractFile& file = *storage.GetFile();
    const ZIP_FILE_USIZE remembered = file.GetPosition();
    const ZIP_FILE_USIZE headerAt = m_uOffset + (m_uVolumeStart == 0 ? storage.m_uBytesBeforeZip : 0);
    const std::uint32_t crc = m_bIgnoreCrc32 ? 0 : m_uCrc32;
    std::size_t recordIndex = 0;
    const CZipExtraRecord* zip64 = m_aLocalExtraData.FindRecord(CZipExtraRecordList::zip64, recordIndex);
    std::vector<char> fields(kLocalHeaderSize);

    if (!zip64 && ((m_uComprSize >= k32 && m_uLocalComprSize < k32) ||
                   (m_uUncomprSize >= k32 && m_uLocalUncomprSize < k32))) {
        // Sizes that outgrew the local header move into a data descriptor.
        raiseVersion(m_uVersionNeeded, kZip64Version);
        m_uFlag |= flagDataDescriptor;
        zipbytes::put16(fields.data() + 4, m_uVersionNeeded);
        zipbytes::put16(fields.data() + 6, m_uFlag);
        file.SeekUnsigned(headerAt + 4);
        file.Write(fields.data() + 4, 4);
        const bool clearSizes = m_uLocalComprSize != 0 || m_uLocalUncomprSize != 0;
        m_uLocalComprSize = m_uLocalUncomprSize = 0;
        writeSizes(fields, crc, 0, 0);
        file.SeekUnsigned(headerAt + 14);
        file.Write(fields.data() + 14, clearSizes ? 12 : 4);
    } else {
        // Both local sizes capped: the record already holds the sizes known in advance.
        const bool bothCapped = zip64 && m_uLocalComprSize >= k32 && m_uLocalUncomprSize >= k32;
        m_uLocalComprSize = std::min<ZIP_SIZE_TYPE>(m_uComprSize, k32);
        m_uLocalUncomprSize = std::min<ZIP_SIZE_TYPE>(m_uUncomprSize, k32);
        writeSizes(fields, crc, m_uLocalComprSize, m_uLocalUncomprSize);
        file.SeekUnsigned(headerAt + 14);
        file.Write(fields.data() + 14, 12);
        if (zip64 && !bothCapped) {
            std::uint32_t recordAt = kLocalHeaderSize + m_uLocalFileNameSize;
            for (std::size_t i = 0; i < recordIndex; ++i) recordAt += m_aLocalExtraData.GetAt(i)->GetTotalSize();
            char data[16];
            zipbytes::put64(data, m_uUncomprSize);
            zipbytes::put64(data + 8, m_uComprSize);
            std::memcpy(m_aLocalExtraData.GetAt(recordIndex)->m_data.GetBuffer(), data, 16);
            file.SeekUnsigned(headerAt + recordAt + 4);
            file.Write(data, 16);
        }
    }
    file.SeekUnsigned(remembered);
}

std::uint32_t CZipFileHeader::WriteCentralHeader(CZipStorage& storage) {
    m_aCentralExtraData.RemoveInternalHeaders();
    BuildZip64Central();
    if (IsAes()) AppendAesRecord(m_aCentralExtraData);
    PrepareStoredTexts();
    AppendUnicodeNameRecord();
    CheckLengths(m_aCentralExtraData);

    const std::uint32_t nameSize = m_fileName.GetSize();
    const std::uint32_t extraSize = m_aCentralExtraData.TotalSize();
    const std::uint32_t commentSize = m_comment.GetSize();
    std::vector<char> header(kCentralHeaderSize + nameSize + extraSize + commentSize);
    using namespace zipbytes;
    char* p = header.data();
    std::memcpy(p, "PK\x01\x02", 4);
    p[4] = static_cast<char>(m_uVersionMadeBy);
    p[5] = static_cast<char>(m_iSystemCompatibility);
    put16(p + 6, m_uVersionNeeded);
    put16(p + 8, m_uFlag);
    put16(p + 10, IsAes() ? kAesMethod : m_uMethod);
    put16(p + 12, m_uModTime);
    put16(p + 14, m_uModDate);
    put32(p + 16, m_bIgnoreCrc32 ? 0 : m_uCrc32);
    put32(p + 20, capped32(m_uComprSize));
    put32(p + 24, capped32(m_uUncomprSize));
    put16(p + 28, static_cast<std::uint16_t>(nameSize));
    put16(p + 30, static_cast<std::uint16_t>(extraSize));
    put16(p + 32, static_cast<std::uint16_t>(commentSize));
    put16(p + 34, capped16(m_uVolumeStart));
    put16(p + 36, m_uInternalAttr);
    put32(p + 38, m_uExternalAttr);
    put32(p + 42, capped32(m_uOffset));
    p += kCentralHeaderSize;
    if (nameSize) std::memcpy(p, m_fileName.GetBuffer(), nameSize);
    m_aCentralExtraData.Write(p + nameSize);
    if (commentSize) std::memcpy(p + nameSize + extraSize, m_comment.GetBuffer(), commentSize);

    storage.Write(header.data(), static_cast<std::uint32_t>(header.size()), true);
    m_aCentralExtraData.RemoveInternalHeaders();
    if (nameSize) m_szFileName.reset();
    return static_cast<std::uint32_t>(header.size());
}

bool CZipFileHeader::Rename(const CZipString& name) {
    if (!m_pCentralDir) {
        SetFileName(name);
        return true;
    }
    const CZipString current = GetFileName(false);
    CZipString renamed(name);
    if (IsDirectory())
        CZipPathComponent::AppendSeparator(renamed);
    else
        CZipPathComponent::RemoveSeparators(renamed);
    if (CompareCollated(renamed, current) == 0) return true;

    CZipAutoBuffer oldBytes = m_fileName;
    CZipAutoBuffer oldUnicode = m_unicodeName;
    SetFileName(renamed);
    if (m_pCentralDir->OnRename(*this)) {
        m_state |= stateRenamed;
        return true;
    }
    m_fileName = std::move(oldBytes);
    m_unicodeName = std::move(oldUnicode);
    m_szFileName = current;
    return false;
}

// Years after 2107 do not fit the 7-bit year field: they keep the last
// time it can hold rather than wrapping round to 1980.
void CZipFileHeader::SetModificationTime(std::int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm fields{};
    if (!localtime_r(&t, &fields)) fields = std::tm{};
    const int year = fields.tm_year + 1900;
    if (year > 2107) {
        fields.tm_mon = 11;
        fields.tm_mday = 31;
        fields.tm_hour = 23;
        fields.tm_min = 59;
        fields.tm_sec = 58;
    }
    const int yearField = year <= 1980 ? 0 : std::min(year, 2107) - 1980;
    m_uModDate = static_cast<std::uint16_t>(((yearField * 16) + fields.tm_mon + 1) * 32 + fields.tm_mday);
    m_uModTime = static_cast<std::uint16_t>(((fields.tm_hour * 64) + fields.tm_min) * 32 + fields.tm_sec / 2);
}

bool CZipFileHeader::SetLocalAttributes(std::uint32_t attributes) {
    const int system = m_iSystemCompatibility;
    std::uint32_t converted = attributes;
    if (system >= 1 && system <= 10) converted = zipattr::convert(system, zipattr::convert(hostDos, attributes, true), false);
    std::uint32_t external = 0;
    if (system == hostUnix)
        external = (converted << 16) | (attributes & zipattr::kDirectory);
    else
        external = (converted & 0xFFFF) | (zipattr::unixModeOf(attributes) << 16);
    if (external != m_uExternalAttr && m_pCentralDir && !m_pCentralDir->OnAttributesChange(*this)) return false;
    m_uExternalAttr = external;
    return true;
}

void CZipFileHeader::ChangeHostSystem(int system) {
    if (system == m_iSystemCompatibility) return;
    const std::uint32_t attributes = GetLocalAttributes() & 0xFFFF;
    m_iSystemCompatibility = static_cast<std::int8_t>(system);
    SetLocalAttributes(attributes);
}
