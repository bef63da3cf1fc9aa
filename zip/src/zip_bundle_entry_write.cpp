// CZipBundle: opening and closing an entry for writing, and removing
// entries that could not be completed.
#include "platform/clock.h"
#include "zip/zip_bundle.h"
#include "zip/zip_exception.h"

bool CZipBundle::OpenEntryForWriting(CZipFileHeader& header, int level) {
    if (!CanWrite() || m_iFileOpened != entryNone) return false;
    if (header.GetSystemCompatibility() != m_iArchiveSystCompatib) header.ChangeHostSystem(m_iArchiveSystCompatib);
    if (header.m_uModDate == 0 && header.m_uModTime == 0)
        header.SetModificationTime(static_cast<std::int64_t>(
            (platform::clock::nowFileTime() - platform::clock::kUnixEpochAsFileTime) / 10000000u));
    CZipString name = header.GetFileName(false);
    if (name.empty()) name.Printf(ZIPTEXT("file%u"), static_cast<unsigned>(GetCount()));
    if (header.IsDirectory() && !CZipPathComponent::IsSeparator(name.back())) name += CZipPathComponent::cSeparator;
    header.SetFileName(name);

    if (m_pszPassword.GetSize() > 0 && m_iEncryptionMethod != CZipCryptograph::encNone) {
        header.m_uEncryptionMethod = static_cast<std::uint8_t>(m_iEncryptionMethod);
        SelectCryptograph(m_iEncryptionMethod);
    } else {
        header.m_uEncryptionMethod = CZipFileHeader::encNone;
        m_pCryptograph.reset();
    }
    if (level < -1 || level > 9) level = -1;
    header.m_uMethod = m_uCompressionMethod;
    if (level == 0 || header.IsDirectory()) header.m_uMethod = CZipCompressor::methodStore;
    if (header.m_uMethod == CZipCompressor::methodStore) level = 0;
    SelectCompressor(header.m_uMethod);

    CZipFileHeader* added = m_centralDir.InsertEntry(header, ZIP_FILE_INDEX_NOT_FOUND, level, false);
    // Where its local header goes: what giving the entry up cuts back to.
    added->m_uOffset = m_storage.GetPosition();
    try {
        added->WriteLocalHeader(m_storage);
        if (m_pCryptograph) m_pCryptograph->InitEncode(m_pszPassword, *added, m_storage);
        m_pCompressor->InitCompression(level, added, m_pCryptograph.get());
    } catch (...) {
        m_pCryptograph.reset();
        DiscardNewEntry(added, true);
        throw;
    }
    m_iFileOpened = entryWriting;
    return true;
}

bool CZipBundle::CloseEntryForWriting(bool afterError) {
    if (m_iFileOpened != entryWriting) return false;
    m_iFileOpened = entryNone;
    CZipFileHeader* header = m_centralDir.m_pOpenedFile;
    if (!afterError) {
        try {
            m_pCompressor->FinishCompression(false);
            if (m_pCryptograph) m_pCryptograph->FinishEncode(*header, m_storage);
            m_centralDir.FinishNewEntry(*header);
            m_centralDir.m_pOpenedFile = nullptr;
            m_pCryptograph.reset();
            return true;
        } catch (...) {
            try {
                m_pCompressor->FinishCompression(true);
                m_pCryptograph.reset();
                DiscardNewEntry(header, true);
            } catch (const CZipException&) {
                // the first failure is the one to report
            }
            throw;
        }
    }
    m_pCompressor->FinishCompression(true);
    m_pCryptograph.reset();
    DiscardNewEntry(header, true);
    return true;
}

// A new entry sits at the end of the archive unless it replaced another;
// a segmented archive's volumes are not cut, the entry only leaves the
// directory there.
void CZipBundle::DiscardNewEntry(CZipFileHeader* header, bool appended) {
    if (appended && !m_storage.IsSegmented())
        m_centralDir.TruncateLastEntry();
    else
        m_centralDir.EraseEntry(header, ZIP_FILE_INDEX_NOT_FOUND, true);
    m_centralDir.m_pOpenedFile = nullptr;
}

bool CZipBundle::RemoveLastEntry(bool force) {
    const ZIP_INDEX_TYPE count = GetCount();
    if (count == 0) return false;
    if (!force && m_centralDir[count - 1]->IsDataEfficient()) return false;
    m_centralDir.TruncateLastEntry();
    return true;
}
