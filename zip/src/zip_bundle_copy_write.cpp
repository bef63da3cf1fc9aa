// CZipBundle: copying an entry's stored data from another archive without
// decompressing it, appended or in the place of an entry it replaces.
#include <algorithm>

#include "progress_run.h"
#include "zip/zip_bundle.h"
#include "zip/zip_exception.h"

namespace {

constexpr std::uint32_t kCopyBufferSize = 65536;

}  // namespace

bool CZipBundle::CopyEntryFrom(CZipBundle& other, ZIP_INDEX_TYPE sourceIndex, ZIP_INDEX_TYPE replaceIndex,
                               CZipProgressCallback* callback) {
    if (&other == this || !CanWrite() || other.IsClosed() || m_iFileOpened != entryNone ||
        other.m_iFileOpened != entryNone || !other.m_centralDir.IsIndexValid(sourceIndex))
        return false;
    bool replacing = replaceIndex != ZIP_FILE_INDEX_NOT_FOUND;
    if (replacing && (m_storage.IsSegmented() || !m_centralDir.IsIndexValid(replaceIndex))) return false;

    CZipFileHeader& source = *other.m_centralDir[sourceIndex];
    other.m_centralDir.OpenEntry(sourceIndex);
    struct CloseSource {
        CZipCentralDir& dir;
        ~CloseSource() { dir.m_pOpenedFile = nullptr; }
    } closeSource{other.m_centralDir};

    const bool encrypt = !source.IsEncrypted() && m_pszPassword.GetSize() > 0 && m_iEncryptionMethod != CZipCryptograph::encNone;
    CZipFileHeader pattern(source);
    pattern.m_uLocalUncomprSize = source.m_uUncomprSize;
    // Without its encryption bytes: the new header counts those of its own method.
    pattern.m_uLocalComprSize = source.GetDataSize(true);
    if (encrypt) {
        pattern.m_uEncryptionMethod = static_cast<std::uint8_t>(m_iEncryptionMethod);
        SelectCryptograph(m_iEncryptionMethod);
    } else {
        m_pCryptograph.reset();
    }
    // The last entry makes room by leaving; the new one is appended.
    if (replacing && replaceIndex + 1 == GetCount()) {
        RemoveLastEntry(true);
        replacing = false;
        replaceIndex = ZIP_FILE_INDEX_NOT_FOUND;
    }

    CZipFileHeader* added = m_centralDir.InsertEntry(pattern, replaceIndex, source.LevelFromFlags(), true);
    if (!encrypt) {
        // Copied bytes keep what their readers check: AE-2 entries keep no
        // CRC, and a traditional header checked against the CRC keeps its
        // entry without a data descriptor.
        added->m_bIgnoreCrc32 = source.m_bIgnoreCrc32;
        if (source.m_uEncryptionMethod == CZipCryptograph::encStandard &&
            !(source.m_uFlag & CZipFileHeader::flagDataDescriptor) && !m_storage.IsSegmented())
            added->m_uFlag &= static_cast<std::uint16_t>(~CZipFileHeader::flagDataDescriptor);
    }
    if (!replacing) added->m_uOffset = m_storage.GetPosition();
    try {
        if (replacing) {
            added->m_uComprSize = added->m_uLocalComprSize;
            const bool signature = m_storage.IsSegmented() || added->IsEncrypted();
            ResizeEntrySpace(replaceIndex, added->LocalHeaderSize() + added->m_uLocalComprSize + added->DescriptorSize(signature));
        }
        added->m_uComprSize = 0;
        added->WriteLocalHeader(m_storage);
        if (encrypt) m_pCryptograph->InitEncode(m_pszPassword, *added, m_storage);
        CopyStoredData(other, *added, source.m_uComprSize, encrypt, callback, replacing);
        if (encrypt) m_pCryptograph->FinishEncode(*added, m_storage);
        m_centralDir.FinishNewEntry(*added);
    } catch (...) {
        m_pCryptograph.reset();
        if (m_centralDir.m_pOpenedFile == added) DiscardNewEntry(added, !replacing);
        throw;
    }
    m_centralDir.m_pOpenedFile = nullptr;
    m_pCryptograph.reset();
    return true;
}

// A stop on the last chunk keeps the completed entry (107); an earlier one
// gives the entry up: 107 when the archive is as it was, 106 when the
// entry it replaced is lost.
void CZipBundle::CopyStoredData(CZipBundle& other, CZipFileHeader& target, ZIP_SIZE_TYPE size, bool encrypt,
                                CZipProgressCallback* callback, bool replacing) {
    if (m_pBuffer.GetSize() != kCopyBufferSize) m_pBuffer.Resize(kCopyBufferSize);
    char* buffer = m_pBuffer.GetBuffer();
    for (ZIP_SIZE_TYPE left = size; left > 0;) {
        const auto chunk = static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(left, kCopyBufferSize));
        other.m_storage.Read(buffer, chunk, false);
        if (encrypt) m_pCryptograph->Encode(buffer, chunk);
        m_storage.Write(buffer, chunk, false);
        target.m_uComprSize += chunk;
        left -= chunk;
        if (callback && !callback->StepProgress(chunk) && left > 0) {
            DiscardNewEntry(&target, !replacing);
            RaiseError(replacing ? CZipException::stoppedIncomplete : CZipException::stoppedSafely);
        }
    }
    if (callback && !callback->LastProgress(0)) {
        if (encrypt) m_pCryptograph->FinishEncode(target, m_storage);
        m_centralDir.FinishNewEntry(target);
        m_centralDir.m_pOpenedFile = nullptr;
        RaiseError(CZipException::stoppedSafely);
    }
}

void CZipBundle::ResizeEntrySpace(ZIP_INDEX_TYPE index, ZIP_SIZE_TYPE neededSize) {
    CZipAbstractFile& file = *m_storage.GetFile();
    const ZIP_SIZE_TYPE before = m_storage.m_uBytesBeforeZip;
    const ZIP_SIZE_TYPE start = m_storage.GetPosition();
    const ZIP_SIZE_TYPE end = file.GetLength() - before;
    ZIP_SIZE_TYPE next = end;
    for (ZIP_INDEX_TYPE i = 0; i < GetCount(); ++i) {
        const ZIP_SIZE_TYPE offset = m_centralDir[i]->m_uOffset;
        if (i != index && offset > start) next = std::min(next, offset);
    }
    const ZIP_SIZE_TYPE current = next - start;
    if (neededSize != current) {
        const bool grows = neededSize > current;
        const ZIP_SIZE_TYPE distance = grows ? neededSize - current : current - neededSize;
        const ProgressRun progress(FindCallback(CZipProgressCallback::cbMoveData), {}, {});
        MoveArchiveData(next, end, distance, grows, progress.get());
        if (!grows) file.SetLength(before + end - distance);
        for (ZIP_INDEX_TYPE i = 0; i < GetCount(); ++i) {
            CZipFileHeader& header = *m_centralDir[i];
            if (i != index && header.m_uOffset >= next) header.m_uOffset = grows ? header.m_uOffset + distance : header.m_uOffset - distance;
        }
    }
    file.SeekUnsigned(before + start);
}

// Source and target may overlap: a move forward copies from the end
// backwards, a move back from the start onwards.
void CZipBundle::MoveArchiveData(ZIP_SIZE_TYPE start, ZIP_SIZE_TYPE end, ZIP_SIZE_TYPE distance, bool forward,
                                 CZipProgressCallback* callback) {
    if (callback) callback->SetTotal(end - start);
    if (m_pBuffer.GetSize() != kCopyBufferSize) m_pBuffer.Resize(kCopyBufferSize);
    CZipAbstractFile& file = *m_storage.GetFile();
    const ZIP_SIZE_TYPE before = m_storage.m_uBytesBeforeZip;
    for (ZIP_SIZE_TYPE left = end - start; left > 0;) {
        const auto chunk = static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(left, kCopyBufferSize));
        const ZIP_SIZE_TYPE from = forward ? start + left - chunk : end - left;
        const ZIP_SIZE_TYPE to = forward ? from + distance : from - distance;
        file.SeekUnsigned(before + from);
        if (file.Read(m_pBuffer.GetBuffer(), chunk) != chunk) RaiseError(CZipException::noCallback);
        file.SeekUnsigned(before + to);
        file.Write(m_pBuffer.GetBuffer(), chunk);
        left -= chunk;
        if (callback && !callback->StepProgress(chunk)) RaiseError(CZipException::stoppedIncomplete);
    }
    if (callback && !callback->LastProgress(0)) RaiseError(CZipException::stoppedIncomplete);
}
