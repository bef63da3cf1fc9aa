// CZipCompressor: the factory, and what every method does the same way:
// the work buffer, the CRC-32, stored entries and the passage of stored
// data through the cryptograph.
#include "zip/zip_compressor.h"

#include <zlib.h>

#include <algorithm>

#include "storage_output.h"
#include "zip/zip_bzip2_compressor.h"
#include "zip/zip_cryptograph.h"
#include "zip/zip_deflate_compressor.h"
#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"
#include "zip/zip_storage.h"

std::unique_ptr<CZipCompressor> CZipCompressor::CreateCompressor(int method, CZipStorage& storage) {
    if (method == methodStore || method == methodDeflate) return std::make_unique<ZipKit::CDeflateCompressor>(storage);
    if (method == methodBzip2) return std::make_unique<ZipKit::CBzip2Compressor>(storage);
    return nullptr;
}

void CZipCompressor::ThrowError(int code) const {
    if (m_pStorage->IsOpen()) m_pStorage->ThrowError(code);
    CZipException::Throw(code);
}

void CZipCompressor::InitBuffer() {
    const std::uint32_t size = BufferSize() == 0 ? kDefaultBufferSize : BufferSize();
    if (m_pBuffer.GetSize() != size) m_pBuffer.Resize(size);
}

void CZipCompressor::InitCompression(int /*level*/, CZipFileHeader* header, CZipCryptograph* cryptograph) {
    InitBuffer();
    m_pFile = header;
    m_pCryptograph = cryptograph;
    m_uTotalIn = m_uTotalOut = 0;
    m_uCrc32 = 0;
}

void CZipCompressor::InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph) {
    InitBuffer();
    m_pFile = header;
    m_pCryptograph = cryptograph;
    m_uComprLeft = header->GetDataSize(true);
    m_uUncomprLeft = header->m_uUncomprSize;
    m_uCrc32 = 0;
    m_bFinished = false;
}

void CZipCompressor::UpdateCrc(const void* data, std::uint32_t size) {
    if (size > 0) m_uCrc32 = static_cast<std::uint32_t>(crc32(m_uCrc32, static_cast<const Bytef*>(data), size));
}

void CZipCompressor::CountInput(const void* data, std::uint32_t size) {
    UpdateCrc(data, size);
    m_pFile->m_uCrc32 = m_uCrc32;
    m_uTotalIn += size;
}

// The cryptograph has already counted its header in the compressed size.
void CZipCompressor::CompleteHeader() {
    m_pFile->m_uComprSize += m_uTotalOut;
    m_pFile->m_uUncomprSize = m_uTotalIn;
}

void CZipCompressor::WriteStoredData(char* data, std::uint32_t size) {
    if (size == 0) return;
    if (m_pCryptograph) m_pCryptograph->Encode(data, size);
    writeToStorage(*m_pStorage, data, size);
    m_uTotalOut += size;
}

std::uint32_t CZipCompressor::ReadStoredData(char* data, std::uint32_t size) {
    const auto count = static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(size, m_uComprLeft));
    if (count == 0) return 0;
    m_pStorage->Read(data, count, false);
    if (m_pCryptograph) m_pCryptograph->Decode(data, count);
    m_uComprLeft -= count;
    return count;
}

void CZipCompressor::SkipRemainingStoredData() {
    while (ReadStoredData(m_pBuffer.GetBuffer(), m_pBuffer.GetSize()) > 0) {
    }
}
