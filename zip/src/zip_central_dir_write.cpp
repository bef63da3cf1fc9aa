// CZipCentralDir: inserting and removing entries, and writing the central
// directory with its end records.
#include <algorithm>
#include <cstring>
#include <vector>

#include "byte_order.h"
#include "zip/zip_central_dir.h"
#include "zip/zip_exception.h"
#include "zip/zip_progress.h"
#include "zip/zip_storage.h"

namespace {

constexpr std::uint64_t k32 = 0xFFFFFFFFu;

// The bytes written so far to the first volume of a new segmented archive:
// still in the write buffer, or already in the volume's file. Moves go to
// lower positions only and copy forwards, so overlapping regions are safe.
class WrittenBytes {
public:
    WrittenBytes(CZipStorage& storage, bool inBuffer) : m_storage(storage), m_inBuffer(inBuffer) {}

    ZIP_SIZE_TYPE length() const {
        return m_inBuffer ? m_storage.GetBufferedBytes() : m_storage.GetFile()->GetLength();
    }
    void write(ZIP_SIZE_TYPE at, const char* data, std::uint32_t count) {
        if (m_inBuffer) {
            std::memcpy(m_storage.GetWriteBuffer() + at, data, count);
            return;
        }
        m_storage.GetFile()->SeekUnsigned(at);
        m_storage.GetFile()->Write(data, count);
    }
    void moveDown(ZIP_SIZE_TYPE from, ZIP_SIZE_TYPE count, ZIP_SIZE_TYPE to) {
        if (from == to || count == 0) return;
        if (m_inBuffer) {
            std::memmove(m_storage.GetWriteBuffer() + to, m_storage.GetWriteBuffer() + from, count);
            return;
        }
        CZipAbstractFile& file = *m_storage.GetFile();
        std::vector<char> chunk(std::min<ZIP_SIZE_TYPE>(count, 65536));
        for (ZIP_SIZE_TYPE done = 0; done < count;) {
            const auto piece = static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(chunk.size(), count - done));
            file.SeekUnsigned(from + done);
            if (file.Read(chunk.data(), piece) != piece) m_storage.ThrowError(CZipException::noCallback);
            file.SeekUnsigned(to + done);
            file.Write(chunk.data(), piece);
            done += piece;
        }
    }
    void truncate(ZIP_SIZE_TYPE length) {
        if (m_inBuffer) {
            m_storage.SetBufferedBytes(static_cast<std::uint32_t>(length));
            return;
        }
        m_storage.GetFile()->SetLength(length);
        m_storage.GetFile()->SeekUnsigned(length);
        m_storage.SetBytesWritten(length);
    }

private:
    CZipStorage& m_storage;
    bool m_inBuffer;
};

}  // namespace

CZipFileHeader* CZipCentralDir::InsertEntry(const CZipFileHeader& pattern, ZIP_INDEX_TYPE replaceIndex, int level,
                                            bool copyRawSizes) {
    m_pOpenedFile = nullptr;
    auto header = std::make_unique<CZipFileHeader>(this);
    *header = pattern;
    header->m_pCentralDir = this;
    header->m_state = 0;
    header->m_aCentralExtraData.RemoveInternalHeaders();
    header->GetComment();
    // Small AES entries keep no CRC (vendor version 2), which would tell
    // something about their content.
    header->m_bIgnoreCrc32 = header->IsAes() && header->m_uLocalUncomprSize < 20;

    CZipStorage& storage = *m_pStorage;
    if (m_info.m_bInArchive)
        CutAtDirectory();
    else
        storage.Flush();
    header->PrepareForAdding(level, storage.IsSegmented());
    if (copyRawSizes) {
        header->m_uCrc32 = pattern.m_uCrc32;
        header->m_uComprSize = pattern.m_uComprSize;
        header->m_uUncomprSize = pattern.m_uUncomprSize;
    }

    ZIP_INDEX_TYPE index = m_headers.size();
    if (IsIndexValid(replaceIndex)) {
        if (header->GetFileNameSize() > 0xFFFF || header->GetCommentSize() > 0xFFFF ||
            header->m_aCentralExtraData.TotalSize() > 0xFFFF)
            ThrowError(CZipException::tooLongData);
        const CZipFileHeader& replaced = *m_headers[replaceIndex];
        storage.GetFile()->SeekUnsigned(replaced.m_uOffset + (replaced.m_uVolumeStart == 0 ? storage.m_uBytesBeforeZip : 0));
        EraseEntry(nullptr, replaceIndex, false);
        index = replaceIndex;
        m_headers.insert(m_headers.begin() + static_cast<std::ptrdiff_t>(index), std::move(header));
    } else {
        m_headers.push_back(std::move(header));
        storage.GetFile()->SeekToEnd();
    }
    m_pOpenedFile = m_headers[index].get();
    if (m_info.m_bFindFastEnabled) IndexInsert(m_pOpenedFile, index);
    return m_pOpenedFile;
}

void CZipCentralDir::FinishNewEntry(CZipFileHeader& header) {
    header.RewriteLocalSizes(*m_pStorage);
    header.WriteDescriptor(*m_pStorage);
    m_pStorage->Flush();
}

void CZipCentralDir::EraseEntry(CZipFileHeader* header, ZIP_INDEX_TYPE index, bool shiftIndexes) {
    if (index == ZIP_FILE_INDEX_NOT_FOUND) {
        const auto found = std::find_if(m_headers.begin(), m_headers.end(),
                                        [header](const auto& h) { return h.get() == header; });
        if (found == m_headers.end()) return;
        index = static_cast<ZIP_INDEX_TYPE>(found - m_headers.begin());
    }
    if (!IsIndexValid(index)) return;
    header = m_headers[index].get();
    if (m_info.m_bFindFastEnabled) IndexRemove(header, shiftIndexes);
    if (m_pOpenedFile == header) m_pOpenedFile = nullptr;
    m_headers.erase(m_headers.begin() + static_cast<std::ptrdiff_t>(index));
}

void CZipCentralDir::TruncateLastEntry(CZipFileHeader* header, ZIP_INDEX_TYPE index) {
    if (index == ZIP_FILE_INDEX_NOT_FOUND) {
        if (m_headers.empty()) return;
        index = m_headers.size() - 1;
    }
    if (!IsIndexValid(index)) return;
    header = m_headers[index].get();
    const ZIP_SIZE_TYPE cut = m_pStorage->m_uBytesBeforeZip + header->m_uOffset;
    EraseEntry(header, index, true);
    m_pStorage->Flush();
    m_pStorage->GetFile()->SetLength(cut);
    m_info.m_bInArchive = false;
}

// ZIP64 records cannot be written behind data in front of the archive (122
// at the commit): an archive that needs them and has such data is refused
// before its directory leaves the file.
void CZipCentralDir::CutAtDirectory() {
    if (!m_info.m_bInArchive) return;
    if (m_pStorage->m_uBytesBeforeZip != 0 && m_info.NeedsZip64()) ThrowError(CZipException::zip64WithPrefix);
    m_pStorage->GetFile()->SetLength(m_pStorage->m_uBytesBeforeZip + m_info.m_uOffset);
    m_info.m_bInArchive = false;
}

ZIP_SIZE_TYPE CZipCentralDir::TotalSize() const {
    ZIP_SIZE_TYPE size = kEndRecordSize + m_info.m_pszComment.GetSize();
    for (const auto& header : m_headers) size += header->CentralHeaderSize();
    if (m_info.NeedsZip64()) size += kZip64EndSize + kZip64LocatorSize;
    return size;
}

// What turning the first volume into a plain archive cuts from an entry:
// its data descriptor, which then goes into the local header. Traditional
// encryption keeps the descriptor (its check byte follows the time), and an
// entry whose sizes need 64 bits loses only the descriptor's signature.
ZIP_SIZE_TYPE CZipCentralDir::DroppedBytes(ZIP_INDEX_TYPE index) const {
    const CZipFileHeader& header = *m_headers[index];
    if (header.m_uEncryptionMethod == CZipFileHeader::encStandard) return 0;
    if ((header.m_uComprSize >= k32 || header.m_uUncomprSize >= k32) && header.m_uLocalComprSize == 0)
        return header.IsAes() ? 0 : 4;
    return header.DescriptorSize(true);
}

bool CZipCentralDir::DropDescriptors(bool fromBuffer) {
    WrittenBytes bytes(*m_pStorage, fromBuffer);
    const ZIP_SIZE_TYPE end = bytes.length();
    ZIP_SIZE_TYPE writeAt = 0;  // the spanning marker goes
    for (std::size_t i = 0; i < m_headers.size(); ++i) {
        CZipFileHeader& header = *m_headers[i];
        const ZIP_SIZE_TYPE start = header.m_uOffset;
        const ZIP_SIZE_TYPE regionEnd = i + 1 < m_headers.size() ? m_headers[i + 1]->m_uOffset : end;
        const ZIP_SIZE_TYPE dropped = DroppedBytes(i);
        if (dropped == header.DescriptorSize(true) && dropped > 0) {
            header.m_uFlag &= static_cast<std::uint16_t>(~CZipFileHeader::flagDataDescriptor);
            header.m_uLocalComprSize = header.m_uComprSize;
            header.m_uLocalUncomprSize = header.m_uUncomprSize;
            char fields[14];
            zipbytes::put16(fields, header.m_uFlag);
            bytes.write(start + 6, fields, 2);
            zipbytes::put32(fields, header.m_bIgnoreCrc32 ? 0 : header.m_uCrc32);
            zipbytes::put32(fields + 4, zipbytes::capped32(header.m_uComprSize));
            zipbytes::put32(fields + 8, zipbytes::capped32(header.m_uUncomprSize));
            bytes.write(start + 14, fields, 12);
        }
        const ZIP_SIZE_TYPE kept = regionEnd - start - dropped;
        bytes.moveDown(start, kept, writeAt);
        header.m_uOffset = writeAt;
        writeAt += kept;
    }
    bytes.truncate(writeAt);
    return true;
}

void CZipCentralDir::Commit() {
    if (m_info.m_bInArchive) return;
    CZipStorage& storage = *m_pStorage;
    m_info.m_uEntriesNumber = m_headers.size();
    if (!storage.IsSegmented()) {
        storage.Flush();
        storage.GetFile()->SeekToEnd();
    }
    m_info.m_uSize = 0;
    bool oneVolume = false;
    try {
        if (storage.IsSegmented() && storage.GetCurrentVolume() == 0) {
            ZIP_SIZE_TYPE needed = TotalSize() - 4;
            for (ZIP_INDEX_TYPE i = 0; i < m_headers.size(); ++i) needed -= DroppedBytes(i);
            const ZIP_SIZE_TYPE used = storage.GetBufferedBytes() + (storage.IsSpanned() ? 0 : storage.GetBytesWritten());
            const ZIP_SIZE_TYPE room = storage.GetCurrentVolumeSize() > used ? storage.GetCurrentVolumeSize() - used : 0;
            if (room >= needed) {
                const bool inBuffer = storage.GetBytesWritten() == 0 &&
                                      storage.GetBufferedBytes() + TotalSize() <= static_cast<ZIP_SIZE_TYPE>(storage.m_iWriteBufferSize);
                if (!inBuffer) storage.Flush();
                oneVolume = DropDescriptors(inBuffer);
            }
        }
        if (!oneVolume && storage.IsSegmented() && !storage.IsBinarySplit())
            storage.AssureFree(static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(TotalSize(), k32)));
        StoreHeaders(oneVolume || !storage.IsSegmented());
        if (m_info.NeedsZip64()) {
            if (storage.m_uBytesBeforeZip != 0) ThrowError(CZipException::zip64WithPrefix);
            StoreZip64End();
        }
        StoreEndRecord();
        if (oneVolume && storage.GetCurrentVolume() != 0) ThrowError(CZipException::badArchive);
    } catch (...) {
        if (oneVolume) {
            storage.FinalizeSegm();
            m_info.m_uLastVolume = 0;
        }
        throw;
    }
    m_info.m_bInArchive = true;
}

void CZipCentralDir::StoreHeaders(bool oneVolume) {
    CZipStorage& storage = *m_pStorage;
    CZipProgressCallback* callback = m_pArchive ? m_pArchive->FindCallback(CZipProgressCallback::cbSave) : nullptr;
    m_info.m_uVolumeEntriesNo = 0;
    if (storage.IsBinarySplit()) {
        storage.AssureFree(1);
        m_info.m_uVolumeWithCD = 0;
    } else {
        m_info.m_uVolumeWithCD = storage.GetCurrentVolume();
    }
    m_info.m_uOffset = storage.GetPosition();
    if (m_headers.empty()) return;
    if (callback) {
        callback->Start(CZipString(), storage.GetArchivePath());
        callback->SetTotal(m_headers.size());
    }
    for (std::size_t i = 0; i < m_headers.size(); ++i) {
        const ZIP_VOLUME_TYPE volume = storage.GetCurrentVolume();
        m_info.m_uSize += m_headers[i]->WriteCentralHeader(storage);
        if (!storage.IsBinarySplit() && storage.GetCurrentVolume() != volume) {
            m_info.m_uVolumeEntriesNo = 1;
            if (i == 0) {
                m_info.m_uOffset = 0;
                m_info.m_uVolumeWithCD = storage.GetCurrentVolume();
            }
        } else {
            ++m_info.m_uVolumeEntriesNo;
        }
        if (!callback) continue;
        const bool last = i + 1 == m_headers.size();
        if (last ? callback->LastProgress(1) : callback->StepProgress(1)) continue;
        callback->Finish();
        if (!oneVolume) ThrowError(CZipException::stoppedIncomplete);
        // Nothing of the directory stays: the archive is as it was before.
        CZipAbstractFile& file = *storage.GetFile();
        const ZIP_SIZE_TYPE directoryAt =
            m_info.m_uOffset + (m_info.m_uVolumeWithCD == 0 ? storage.m_uBytesBeforeZip : 0);
        const ZIP_FILE_USIZE written = file.GetPosition();
        if (directoryAt >= written) {
            storage.SetBufferedBytes(static_cast<std::uint32_t>(directoryAt - written));
        } else {
            storage.SetBufferedBytes(0);
            file.SetLength(directoryAt);
            file.SeekUnsigned(directoryAt);
        }
        ThrowError(CZipException::stoppedSafely);
    }
    if (callback) callback->Finish();
}

void CZipCentralDir::StoreZip64End() {
    CZipStorage& storage = *m_pStorage;
    if (storage.IsBinarySplit()) {
        storage.AssureFree(1);
    } else if (storage.IsSegmented()) {
        const ZIP_VOLUME_TYPE volume = storage.GetCurrentVolume();
        storage.AssureFree(kZip64EndSize);
        if (storage.GetCurrentVolume() != volume) m_info.m_uVolumeEntriesNo = 0;
    }
    m_info.m_uEndOffset = storage.GetPosition();
    m_info.m_uVolumeWithZip64End = storage.IsBinarySplit() ? 0 : storage.GetCurrentVolume();
    char record[kZip64EndSize];
    using namespace zipbytes;
    std::memcpy(record, "PK\x06\x06", 4);
    put64(record + 4, kZip64EndSize - 12);
    put16(record + 12, 45);
    put16(record + 14, 45);
    put32(record + 16, m_info.m_uVolumeWithZip64End);
    put32(record + 20, m_info.m_uVolumeWithCD);
    put64(record + 24, m_info.m_uVolumeEntriesNo);
    put64(record + 32, m_info.m_uEntriesNumber);
    put64(record + 40, m_info.m_uSize);
    put64(record + 48, m_info.m_uOffset);
    storage.Write(record, kZip64EndSize, true);
}

void CZipCentralDir::StoreEndRecord() {
    CZipStorage& storage = *m_pStorage;
    const bool zip64 = m_info.NeedsZip64();
    const std::uint32_t commentSize = m_info.m_pszComment.GetSize();
    const std::uint32_t size = kEndRecordSize + commentSize + (zip64 ? kZip64LocatorSize : 0);
    if (storage.IsBinarySplit()) {
        storage.AssureFree(1);
        m_info.m_uLastVolume = 0;
    } else {
        if (storage.IsSegmented()) storage.AssureFree(size);
        m_info.m_uLastVolume = storage.GetCurrentVolume();
        if (m_info.m_uLastVolume != m_info.m_uVolumeWithCD) m_info.m_uVolumeEntriesNo = 0;
    }
    std::vector<char> record(size);
    char* p = record.data();
    using namespace zipbytes;
    if (zip64) {
        std::memcpy(p, "PK\x06\x07", 4);
        put32(p + 4, m_info.m_uVolumeWithZip64End);
        put64(p + 8, m_info.m_uEndOffset);
        put32(p + 16, m_info.m_uLastVolume + 1);
        p += kZip64LocatorSize;
    }
    std::memcpy(p, "PK\x05\x06", 4);
    put16(p + 4, capped16(m_info.m_uLastVolume));
    put16(p + 6, capped16(m_info.m_uVolumeWithCD));
    put16(p + 8, capped16(m_info.m_uVolumeEntriesNo));
    put16(p + 10, capped16(m_info.m_uEntriesNumber));
    put32(p + 12, capped32(m_info.m_uSize));
    put32(p + 16, capped32(m_info.m_uOffset));
    put16(p + 20, static_cast<std::uint16_t>(commentSize));
    if (commentSize) std::memcpy(p + kEndRecordSize, m_info.m_pszComment.GetBuffer(), commentSize);
    storage.Write(record.data(), size, true);
}

bool CZipCentralDir::ChangesAllowed() const {
    const CZipStorage& storage = *m_pStorage;
    return storage.IsOpen() && !storage.IsReadOnly() && !storage.IsSegmented() && !m_pOpenedFile;
}

bool CZipCentralDir::OnRename(CZipFileHeader& header) {
    const bool allowed = m_pArchive && m_pArchive->CommitsImmediately() ? m_pArchive->CommitRename(header)
                                                                        : ChangesAllowed();
    if (!allowed) return false;
    if (m_info.m_bFindFastEnabled) {
        const ZIP_INDEX_TYPE index = IndexRemove(&header, false);
        IndexInsert(&header, index);
    }
    return true;
}

bool CZipCentralDir::OnAttributesChange(CZipFileHeader&) {
    if (!ChangesAllowed()) return false;
    if (m_info.m_bInArchive)
        CutAtDirectory();
    else
        m_pStorage->Flush();
    if (m_pArchive) m_pArchive->MarkChanged();
    return true;
}

bool CZipCentralDir::AnyRenamed() const {
    return std::any_of(m_headers.begin(), m_headers.end(),
                       [](const auto& h) { return (h->m_state & CZipFileHeader::stateRenamed) != 0; });
}

// The first position whose name orders after the new one keeps equal names
// in insertion order.
void CZipCentralDir::IndexInsert(CZipFileHeader* header, ZIP_INDEX_TYPE index) {
    const CZipString& name = header->GetFileName(false);
    const auto at = std::upper_bound(m_index.begin(), m_index.end(), name,
                                     [this](const CZipString& n, const CZipNameIndexEntry& e) {
                                         return m_info.m_pCompare(n, e.m_pHeader->GetFileName(false)) < 0;
                                     });
    m_index.insert(at, {header, index == ZIP_FILE_INDEX_NOT_FOUND ? m_index.size() : index});
}

ZIP_INDEX_TYPE CZipCentralDir::IndexRemove(const CZipFileHeader* header, bool shiftIndexes) {
    const auto found = std::find_if(m_index.begin(), m_index.end(),
                                    [header](const CZipNameIndexEntry& e) { return e.m_pHeader == header; });
    if (found == m_index.end()) ThrowError(CZipException::internal);
    const ZIP_INDEX_TYPE removed = found->m_uIndex;
    m_index.erase(found);
    if (shiftIndexes)
        for (CZipNameIndexEntry& entry : m_index)
            if (entry.m_uIndex > removed) --entry.m_uIndex;
    return removed;
}
