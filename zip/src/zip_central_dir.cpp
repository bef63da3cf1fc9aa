// CZipCentralDir: reading the end records and the central headers, and the
// name index. Changing and writing are in zip_central_dir_write.cpp.
#include "zip/zip_central_dir.h"

#include <algorithm>
#include <cstring>

#include "byte_order.h"
#include "zip/zip_exception.h"
#include "zip/zip_path_component.h"
#include "zip/zip_storage.h"

namespace {

constexpr char kCentralSignature[4] = {'P', 'K', 1, 2};
constexpr char kZip64EndSignature[4] = {'P', 'K', 6, 6};
constexpr char kZip64LocatorSignature[4] = {'P', 'K', 6, 7};
constexpr std::uint64_t k32 = 0xFFFFFFFFu;

// a + b, or nothing when the sum does not fit 64 bits.
bool addFits(std::uint64_t a, std::uint64_t b, std::uint64_t& sum) { return !__builtin_add_overflow(a, b, &sum); }

CZipString fileNameOnly(CZipString name) {
    CZipPathComponent::RemoveSeparators(name);
    return CZipPathComponent(name).GetFileName();
}

}  // namespace

bool CZipDirectoryInfo::NeedsZip64() const noexcept {
    return m_uLastVolume >= 0xFFFF || m_uVolumeWithCD >= 0xFFFF || m_uVolumeEntriesNo >= 0xFFFF ||
           m_uEntriesNumber >= 0xFFFF || m_uSize >= k32 || m_uOffset >= k32;
}

void CZipCentralDir::Clear() noexcept {
    m_pOpenedFile = nullptr;
    m_index.clear();
    m_headers.clear();
    m_info = CZipDirectoryInfo();
}

void CZipCentralDir::ThrowError(int code) const { m_pStorage->ThrowError(code); }

void CZipCentralDir::Read(bool exhaustive) {
    if (!m_pStorage->IsOpen()) return;
    ReadEndRecord();
    const bool zip64 = m_info.m_uVolumeWithZip64End != ZIP_VOLUME_NUMBER_UNSPECIFIED;
    CZipDirectoryInfo& info = m_info;
    if (!(m_iIgnoredChecks & checkVolumeEntries) && info.m_uLastVolume == 0 &&
        (info.m_uVolumeEntriesNo != info.m_uEntriesNumber || info.m_uVolumeWithCD != 0))
        ThrowError(CZipException::badArchive);
    if (!zip64) m_pStorage->UpdateSegmMode(info.m_uLastVolume);
    ZIP_SIZE_TYPE directoryEnd = 0;
    if (!addFits(info.m_uOffset, info.m_uSize, directoryEnd)) ThrowError(CZipException::badArchive);
    if (!m_pStorage->IsSegmented() && info.m_uEndOffset < directoryEnd) ThrowError(CZipException::badArchive);
    if (!zip64 && m_pStorage->m_uBytesBeforeZip == 0 && info.m_uLastVolume == 0 && info.m_uEndOffset >= directoryEnd)
        m_pStorage->m_uBytesBeforeZip = info.m_uEndOffset - directoryEnd;
    // Every central header takes at least 46 bytes: a count the directory
    // cannot hold is damage, found before anything is allocated for it. A
    // plain end record's count of 0 may be 65,536 entries or a multiple.
    if ((info.m_uSize == 0 && info.m_uEntriesNumber != 0) || (zip64 && info.m_uSize != 0 && info.m_uEntriesNumber == 0) ||
        info.m_uEntriesNumber > info.m_uSize / CZipFileHeader::kCentralHeaderSize)
        ThrowError(CZipException::badArchive);
    info.m_bInArchive = true;
    m_pStorage->ChangeVolume(info.m_uVolumeWithCD);
    if (info.m_uSize != 0) LoadHeaders(exhaustive);
}

void CZipCentralDir::ReadEndRecord() {
    CZipStorage& storage = *m_pStorage;
    const ZIP_FILE_SIZE found = storage.LocateSignature();
    if (found < 0) ThrowError(CZipException::noEndRecord);
    CZipAbstractFile& file = *storage.GetFile();
    if (storage.IsBinarySplit()) {
        storage.SeekInBinary(found + 4, true);
        m_info.m_uEndOffset = storage.GetPosition() - 4;
    } else {
        m_info.m_uEndOffset = static_cast<ZIP_SIZE_TYPE>(found);
        file.SeekUnsigned(static_cast<ZIP_FILE_USIZE>(found) + 4);
    }
    char record[CZipCentralDir::kEndRecordSize - 4];
    storage.Read(record, sizeof record, true);
    using namespace zipbytes;
    m_info.m_uLastVolume = get16(record);
    m_info.m_uVolumeWithCD = get16(record + 2);
    m_info.m_uVolumeEntriesNo = get16(record + 4);
    m_info.m_uEntriesNumber = get16(record + 6);
    m_info.m_uSize = get32(record + 8);
    m_info.m_uOffset = get32(record + 12);
    const std::uint16_t commentSize = get16(record + 16);
    m_info.m_pszComment.Resize(commentSize);
    if (commentSize > 0) storage.Read(m_info.m_pszComment.GetBuffer(), commentSize, true);

    // The ZIP64 records count whenever their locator is there, also when no
    // value of the end record needs them: Info-ZIP's zip writes them for
    // every archive with a ZIP64 entry, and between the directory and the end
    // record they would otherwise pass for data in front of the archive.
    char signature[4];
    if (storage.IsBinarySplit()) {
        storage.SeekInBinary(-static_cast<ZIP_FILE_SIZE>(42 + commentSize), false);
    } else {
        if (m_info.m_uEndOffset < kZip64LocatorSize) return;
        file.SeekUnsigned(m_info.m_uEndOffset - kZip64LocatorSize);
    }
    storage.Read(signature, 4, true);
    if (std::memcmp(signature, kZip64LocatorSignature, 4) == 0) LoadZip64End();
}

void CZipCentralDir::LoadZip64End() {
    CZipStorage& storage = *m_pStorage;
    const ZIP_FILE_USIZE locatorAt = storage.GetFile()->GetPosition() - 4;
    char locator[16];
    storage.Read(locator, sizeof locator, true);
    using namespace zipbytes;
    m_info.m_uVolumeWithZip64End = get32(locator);
    m_info.m_uEndOffset = get64(locator + 4);
    const std::uint32_t volumes = get32(locator + 12);
    m_info.m_uLastVolume = volumes == 0 ? 0 : volumes - 1;
    storage.UpdateSegmMode(m_info.m_uLastVolume);
    storage.SeekInArchive(m_info.m_uVolumeWithZip64End, m_info.m_uEndOffset);
    char record[kZip64EndSize];
    storage.Read(record, kZip64EndSize, true);
    if (std::memcmp(record, kZip64EndSignature, 4) != 0 && !ReadZip64EndBehindPrefix(locatorAt, record))
        ThrowError(CZipException::badZip64End);
    const ZIP_VOLUME_TYPE here = storage.IsBinarySplit() ? 0 : storage.GetCurrentVolume();
    if (get32(record + 16) != here) ThrowError(CZipException::badArchive);
    m_info.m_uVolumeWithCD = get32(record + 20);
    m_info.m_uVolumeEntriesNo = get64(record + 24);
    m_info.m_uEntriesNumber = get64(record + 32);
    m_info.m_uSize = get64(record + 40);
    m_info.m_uOffset = get64(record + 48);
}

// A ZIP64 archive with data in front of it (a self-extracting stub) keeps
// offsets from its own start, as a plain one does: the ZIP64 end record is
// then found just before its locator, and the distance between where it is
// and where the locator says it is gives the bytes before the archive.
bool CZipCentralDir::ReadZip64EndBehindPrefix(ZIP_FILE_USIZE locatorAt, char (&record)[kZip64EndSize]) {
    CZipStorage& storage = *m_pStorage;
    if (storage.IsSegmented() || storage.m_uBytesBeforeZip != 0 || locatorAt < kZip64EndSize) return false;
    const ZIP_FILE_USIZE recordAt = locatorAt - kZip64EndSize;
    if (recordAt <= m_info.m_uEndOffset) return false;
    storage.GetFile()->SeekUnsigned(recordAt);
    storage.Read(record, kZip64EndSize, true);
    if (std::memcmp(record, kZip64EndSignature, 4) != 0) return false;
    storage.m_uBytesBeforeZip = recordAt - m_info.m_uEndOffset;
    return true;
}

std::uint32_t CZipCentralDir::ReadHeader(bool withSignature) {
    m_headers.push_back(std::make_unique<CZipFileHeader>(this));
    const std::uint32_t size = m_headers.back()->ReadCentralHeader(*m_pStorage, withSignature);
    if (size == 0) ThrowError(CZipException::badArchive);
    return size;
}

bool CZipCentralDir::CentralHeaderFollows() {
    char signature[4];
    m_pStorage->Read(signature, 4, true);
    return std::memcmp(signature, kCentralSignature, 4) == 0;
}

// The headers are read as far as the end record's count and the
// directory's size reach. A plain end record holds the count modulo
// 65,536 (many writers let it wrap instead of writing ZIP64 records), so
// more headers within the size are read too; they count when they make up
// the whole directory and agree with the count modulo 65,536. Any other
// disagreement is damage (101) rather than a part of the archive passed off
// as the whole. Exhaustive: headers that follow are read on whatever the
// count and the size say.
void CZipCentralDir::LoadHeaders(bool exhaustive) {
    CZipStorage& storage = *m_pStorage;
    storage.SeekInArchive(m_info.m_uVolumeWithCD, m_info.m_uOffset);
    m_headers.clear();
    m_index.clear();
    ZIP_SIZE_TYPE read = 0;
    for (ZIP_INDEX_TYPE i = 0; i < m_info.m_uEntriesNumber; ++i) read += ReadHeader(true);
    while ((exhaustive || read < m_info.m_uSize) && CentralHeaderFollows()) read += ReadHeader(false);

    const ZIP_INDEX_TYPE found = m_headers.size();
    const bool zip64 = m_info.m_uVolumeWithZip64End != ZIP_VOLUME_NUMBER_UNSPECIFIED;
    const bool wrapped = !zip64 && read == m_info.m_uSize && found % 0x10000 == m_info.m_uEntriesNumber;
    if (!exhaustive && found != m_info.m_uEntriesNumber && !wrapped) ThrowError(CZipException::badArchive);
    m_info.m_uEntriesNumber = found;
    SortAndCheckHeaders();
    if (m_info.m_bFindFastEnabled) RebuildNameIndex(m_info.m_bCaseSensitive);
}

// Headers in local-header order. Two entries at one position, or an entry
// whose data would reach into the next one (or into the central directory),
// are damage: overlapping entries would let a small archive expand to any size.
void CZipCentralDir::SortAndCheckHeaders() {
    std::stable_sort(m_headers.begin(), m_headers.end(), [](const auto& a, const auto& b) {
        return a->m_uVolumeStart != b->m_uVolumeStart ? a->m_uVolumeStart < b->m_uVolumeStart
                                                      : a->m_uOffset < b->m_uOffset;
    });
    const bool oneFile = !m_pStorage->IsSegmented();
    for (std::size_t i = 0; i < m_headers.size(); ++i) {
        const CZipFileHeader& header = *m_headers[i];
        const CZipFileHeader* next = i + 1 < m_headers.size() ? m_headers[i + 1].get() : nullptr;
        if (next && next->m_uVolumeStart == header.m_uVolumeStart && next->m_uOffset == header.m_uOffset)
            ThrowError(CZipException::badArchive);
        if (!oneFile) continue;
        ZIP_SIZE_TYPE dataEnd = 0;
        if (!addFits(header.m_uOffset, CZipFileHeader::kLocalHeaderSize, dataEnd) ||
            !addFits(dataEnd, header.m_uComprSize, dataEnd) ||
            dataEnd > (next ? next->m_uOffset : m_info.m_uOffset))
            ThrowError(CZipException::badArchive);
    }
}

void CZipCentralDir::OpenEntry(ZIP_INDEX_TYPE index) {
    if (!IsIndexValid(index)) ThrowError(CZipException::generic);
    CZipFileHeader* header = m_headers[index].get();
    if (!header->ReadLocalHeader(*this)) ThrowError(CZipException::badArchive);
    m_pOpenedFile = header;
}

void CZipCentralDir::RebuildNameIndex(bool caseSensitive) {
    m_info.m_bFindFastEnabled = true;
    m_info.m_bCaseSensitive = caseSensitive;
    m_info.m_pCompare = caseSensitive ? CompareCollated : CompareCollatedNoCase;
    m_index.clear();
    m_index.reserve(m_headers.size());
    for (ZIP_INDEX_TYPE i = 0; i < m_headers.size(); ++i) m_index.push_back({m_headers[i].get(), i});
    const ZIPSTRINGCOMPARE compare = m_info.m_pCompare;
    std::stable_sort(m_index.begin(), m_index.end(), [compare](const CZipNameIndexEntry& a, const CZipNameIndexEntry& b) {
        return compare(a.m_pHeader->GetFileName(false), b.m_pHeader->GetFileName(false)) < 0;
    });
}

ZIP_INDEX_TYPE CZipCentralDir::IndexSearch(const CZipString& name) const {
    std::size_t low = 0;
    std::size_t high = m_index.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const int order = m_info.m_pCompare(m_index[middle].m_pHeader->GetFileName(false), name);
        if (order == 0) return m_index[middle].m_uIndex;
        if (order > 0)
            high = middle;
        else
            low = middle + 1;
    }
    return ZIP_FILE_INDEX_NOT_FOUND;
}

ZIP_INDEX_TYPE CZipCentralDir::IndexFind(const CZipString& name, ZIPSTRINGCOMPARE compare) const {
    for (const CZipNameIndexEntry& entry : m_index)
        if (compare(entry.m_pHeader->GetFileName(false), name) == 0) return entry.m_uIndex;
    return ZIP_FILE_INDEX_NOT_FOUND;
}

ZIP_INDEX_TYPE CZipCentralDir::FindFileNameOnly(const CZipString& name, ZIPSTRINGCOMPARE compare) const {
    for (const CZipNameIndexEntry& entry : m_index)
        if (compare(fileNameOnly(entry.m_pHeader->GetFileName(false)), name) == 0) return entry.m_uIndex;
    return ZIP_FILE_INDEX_NOT_FOUND;
}

ZIP_INDEX_TYPE CZipCentralDir::FindByName(const CZipString& name, bool caseSensitive, bool sporadic,
                                          bool fileNameOnly) {
    if (!m_info.m_bFindFastEnabled) RebuildNameIndex(sporadic ? !caseSensitive : caseSensitive);
    const ZIPSTRINGCOMPARE requested = caseSensitive ? CompareCollated : CompareCollatedNoCase;
    const bool sameCase = caseSensitive == m_info.m_bCaseSensitive;
    if (fileNameOnly) return FindFileNameOnly(name, sameCase ? m_info.m_pCompare : requested);
    if (sameCase) return IndexSearch(name);
    if (sporadic) return IndexFind(name, requested);
    RebuildNameIndex(caseSensitive);
    return IndexSearch(name);
}
