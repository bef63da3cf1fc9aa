// CZipBundle: reading an entry's data, decrypted and decompressed, and the
// checks when it is closed.
#include "zip/zip_bundle.h"
#include "zip/zip_exception.h"

bool CZipBundle::OpenEntryForReading(ZIP_INDEX_TYPE index) {
    if (IsClosed() || !m_centralDir.IsIndexValid(index) || m_storage.IsNewSegmented() || m_iFileOpened != entryNone)
        return false;
    m_centralDir.OpenEntry(index);
    CZipFileHeader& header = *m_centralDir.m_pOpenedFile;
    try {
        if (!CZipCompressor::IsMethodSupported(header.m_uMethod)) {
            m_centralDir.m_pOpenedFile = nullptr;
            return false;
        }
        if (header.IsEncrypted()) {
            if (m_pszPassword.GetSize() == 0) RaiseError(CZipException::badPassword);
            SelectCryptograph(header.m_uEncryptionMethod);
            if (!m_pCryptograph->InitDecode(m_pszPassword, header, m_storage)) RaiseError(CZipException::badPassword);
        } else {
            m_pCryptograph.reset();
        }
        SelectCompressor(header.m_uMethod);
        m_pCompressor->InitDecompression(&header, m_pCryptograph.get());
    } catch (...) {
        m_centralDir.m_pOpenedFile = nullptr;
        m_pCryptograph.reset();
        throw;
    }
    m_iFileOpened = entryReading;
    return true;
}

std::uint32_t CZipBundle::ReadFile(void* buffer, std::uint32_t size) {
    return m_iFileOpened == entryReading ? m_pCompressor->Decompress(buffer, size) : 0;
}

// The authentication code is checked before the CRC-32, so that altered AES
// data are reported as such (123) rather than as a CRC mismatch. Whatever
// the outcome, the entry is closed afterwards.
int CZipBundle::CloseEntryForReading(bool afterError) {
    if (m_iFileOpened != entryReading) return readNotOpen;
    struct Release {
        CZipBundle& bundle;
        ~Release() {
            bundle.m_centralDir.m_pOpenedFile = nullptr;
            bundle.m_iFileOpened = entryNone;
            bundle.m_pCryptograph.reset();
        }
    } release{*this};
    if (afterError) {
        m_pCompressor->FinishDecompression(true);
        return readIncomplete;
    }
    const CZipFileHeader& header = *m_centralDir.m_pOpenedFile;
    const bool complete = m_pCompressor->DeliveredAll();
    const std::uint32_t crc = m_pCompressor->GetCrc32();
    m_pCompressor->FinishDecompression(false);
    if (!complete) return readIncomplete;
    if (m_pCryptograph) m_pCryptograph->FinishDecode(*m_centralDir.m_pOpenedFile, m_storage);
    const bool checkCrc = !(m_centralDir.m_iIgnoredChecks & CZipCentralDir::checkCrc) && !header.m_bIgnoreCrc32;
    if (checkCrc && crc != header.m_uCrc32) RaiseError(CZipException::badCrc);
    return readOk;
}
