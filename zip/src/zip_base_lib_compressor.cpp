// The compress and decompress loops over a compression library's stream.
// Decompression produces exactly the bytes the header declares: a stream
// that goes on past the declared size (an "inflate bomb"), one that ends
// before it, or stored data that end before the stream does, are damage
// (code 101).
#include "zip/zip_base_lib_compressor.h"

#include <algorithm>

#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"

namespace ZipKit {

void CBaseLibCompressor::InitCompression(int level, CZipFileHeader* header, CZipCryptograph* cryptograph) {
    CZipCompressor::InitCompression(level, header, cryptograph);
    StartCompression(level);
    SetOutput(m_pBuffer.GetBuffer(), m_pBuffer.GetSize());
}

void CBaseLibCompressor::Compress(const void* buffer, std::uint32_t size) {
    CountInput(buffer, size);
    SetInput(static_cast<const char*>(buffer), size);
    while (InputLeft() > 0) {
        if (OutputLeft() == 0) FlushOutput();
        RunCompression(false);
    }
}

void CBaseLibCompressor::FlushOutput() {
    WriteStoredData(m_pBuffer.GetBuffer(), m_pBuffer.GetSize() - OutputLeft());
    SetOutput(m_pBuffer.GetBuffer(), m_pBuffer.GetSize());
}

void CBaseLibCompressor::FinishCompression(bool afterException) {
    if (!afterException) {
        SetInput(nullptr, 0);
        for (;;) {
            if (OutputLeft() == 0) FlushOutput();
            if (RunCompression(true)) break;
        }
        FlushOutput();
        EndStream(true);
        CompleteHeader();
    }
    EndStream(false);
    ReleaseBuffer();
}

void CBaseLibCompressor::InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph) {
    CZipCompressor::InitDecompression(header, cryptograph);
    StartDecompression();
    SetInput(nullptr, 0);
}

bool CBaseLibCompressor::StepDecompression() {
    if (InputLeft() == 0) {
        const std::uint32_t read = ReadStoredData(m_pBuffer.GetBuffer(), m_pBuffer.GetSize());
        SetInput(m_pBuffer.GetBuffer(), read);
    }
    const std::uint32_t inBefore = InputLeft();
    const std::uint32_t outBefore = OutputLeft();
    if (RunDecompression()) return true;
    if (InputLeft() == inBefore && OutputLeft() == outBefore) ThrowError(CZipException::badArchive);
    return false;
}

std::uint32_t CBaseLibCompressor::Decompress(void* buffer, std::uint32_t size) {
    if (m_bFinished || size == 0) return 0;
    const auto wanted = static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(size, m_uUncomprLeft));
    if (wanted == 0) {
        VerifyStreamEnd();
        return 0;
    }
    SetOutput(static_cast<char*>(buffer), wanted);
    bool ended = false;
    while (OutputLeft() > 0 && !ended) ended = StepDecompression();
    const std::uint32_t produced = wanted - OutputLeft();
    UpdateCrc(buffer, produced);
    m_uUncomprLeft -= produced;
    if (ended) {
        if (m_uUncomprLeft > 0) ThrowError(CZipException::badArchive);
        EndOfStream();
    }
    return produced;
}

// Every declared byte has been produced: the stream must end here, with
// not one byte more.
void CBaseLibCompressor::VerifyStreamEnd() {
    if (!CheckLastBlock()) return;
    char extra = 0;
    SetOutput(&extra, 1);
    while (!StepDecompression()) {
        if (OutputLeft() == 0) ThrowError(CZipException::badArchive);
    }
    if (OutputLeft() == 0) ThrowError(CZipException::badArchive);
    EndOfStream();
}

void CBaseLibCompressor::EndOfStream() {
    m_bFinished = true;
    SkipRemainingStoredData();
}

void CBaseLibCompressor::FinishDecompression(bool /*afterException*/) {
    EndStream(false);
    ReleaseBuffer();
}

}  // namespace ZipKit
