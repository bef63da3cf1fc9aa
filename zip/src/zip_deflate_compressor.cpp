// Stored and deflated entries. Deflate runs zlib on raw deflate data (no
// zlib header or trailer, negative window bits), as ZIP method 8 stores it.
#include "zip/zip_deflate_compressor.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"

namespace ZipKit {

struct CDeflateCompressor::Stream {
    enum class Kind { none, deflate, inflate };
    z_stream z{};
    Kind kind = Kind::none;

    int end() noexcept {
        const int result = kind == Kind::deflate ? deflateEnd(&z) : kind == Kind::inflate ? inflateEnd(&z) : Z_OK;
        kind = Kind::none;
        return result;
    }
    ~Stream() { end(); }
};

CDeflateCompressor::CDeflateCompressor(CZipStorage& storage)
    : CBaseLibCompressor(storage), m_stream(std::make_unique<Stream>()) {}

CDeflateCompressor::~CDeflateCompressor() = default;

void CDeflateCompressor::UpdateOptions(const CZipCompressor::COptions& options) {
    if (options.GetType() == typeDeflate) m_options = static_cast<const COptions&>(options);
}

int CDeflateCompressor::ConvertInternalError(int code) const {
    switch (code) {
    case Z_STREAM_END: return 500;
    case Z_NEED_DICT: return 501;
    case Z_ERRNO: return 502;
    case Z_STREAM_ERROR: return 503;
    case Z_DATA_ERROR: return 504;
    case Z_MEM_ERROR: return 505;
    case Z_BUF_ERROR: return 506;
    case Z_VERSION_ERROR: return 507;
    default: return CZipException::generic;
    }
}

void CDeflateCompressor::CheckForError(int code) const {
    if (code != Z_OK) ThrowError(ConvertInternalError(code));
}

void CDeflateCompressor::StartCompression(int level) {
    m_stream->end();
    m_stream->z = z_stream{};
    CheckForError(deflateInit2(&m_stream->z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY));
    m_stream->kind = Stream::Kind::deflate;
}

void CDeflateCompressor::StartDecompression() {
    m_stream->end();
    m_stream->z = z_stream{};
    CheckForError(inflateInit2(&m_stream->z, -MAX_WBITS));
    m_stream->kind = Stream::Kind::inflate;
}

bool CDeflateCompressor::RunCompression(bool finish) {
    const int result = deflate(&m_stream->z, finish ? Z_FINISH : Z_NO_FLUSH);
    if (result == Z_STREAM_END) return true;
    CheckForError(result);
    return false;
}

// Z_BUF_ERROR is "no progress possible": the loop above decides what that means.
bool CDeflateCompressor::RunDecompression() {
    const int result = inflate(&m_stream->z, Z_NO_FLUSH);
    if (result == Z_STREAM_END) return true;
    if (result != Z_BUF_ERROR) CheckForError(result);
    return false;
}

void CDeflateCompressor::EndStream(bool check) {
    const int result = m_stream->end();
    if (check) CheckForError(result);
}

void CDeflateCompressor::SetInput(const char* data, std::uint32_t size) {
    m_stream->z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    m_stream->z.avail_in = size;
}

std::uint32_t CDeflateCompressor::InputLeft() const { return m_stream->z.avail_in; }

void CDeflateCompressor::SetOutput(char* data, std::uint32_t size) {
    m_stream->z.next_out = reinterpret_cast<Bytef*>(data);
    m_stream->z.avail_out = size;
}

std::uint32_t CDeflateCompressor::OutputLeft() const { return m_stream->z.avail_out; }

void CDeflateCompressor::InitCompression(int level, CZipFileHeader* header, CZipCryptograph* cryptograph) {
    m_bStored = header->m_uMethod == methodStore;
    m_uStoredPending = 0;
    if (m_bStored)
        CZipCompressor::InitCompression(level, header, cryptograph);
    else
        CBaseLibCompressor::InitCompression(level, header, cryptograph);
}

void CDeflateCompressor::Compress(const void* buffer, std::uint32_t size) {
    if (!m_bStored) {
        CBaseLibCompressor::Compress(buffer, size);
        return;
    }
    CountInput(buffer, size);
    const char* data = static_cast<const char*>(buffer);
    while (size > 0) {
        const std::uint32_t piece = std::min(size, m_pBuffer.GetSize() - m_uStoredPending);
        std::memcpy(m_pBuffer.GetBuffer() + m_uStoredPending, data, piece);
        m_uStoredPending += piece;
        data += piece;
        size -= piece;
        if (m_uStoredPending == m_pBuffer.GetSize()) {
            WriteStoredData(m_pBuffer.GetBuffer(), m_uStoredPending);
            m_uStoredPending = 0;
        }
    }
}

void CDeflateCompressor::FinishCompression(bool afterException) {
    if (!m_bStored) {
        CBaseLibCompressor::FinishCompression(afterException);
        return;
    }
    if (!afterException) {
        WriteStoredData(m_pBuffer.GetBuffer(), m_uStoredPending);
        CompleteHeader();
    }
    m_uStoredPending = 0;
    ReleaseBuffer();
}

void CDeflateCompressor::InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph) {
    m_bStored = header->m_uMethod == methodStore;
    if (m_bStored)
        CZipCompressor::InitDecompression(header, cryptograph);
    else
        CBaseLibCompressor::InitDecompression(header, cryptograph);
}

// A stored entry's data are its bytes: they must end exactly at its size.
std::uint32_t CDeflateCompressor::Decompress(void* buffer, std::uint32_t size) {
    if (!m_bStored) return CBaseLibCompressor::Decompress(buffer, size);
    if (m_bFinished || size == 0) return 0;
    const auto wanted = static_cast<std::uint32_t>(std::min<ZIP_SIZE_TYPE>(size, m_uUncomprLeft));
    if (wanted == 0) {
        if (m_uComprLeft > 0) ThrowError(CZipException::badArchive);
        m_bFinished = true;
        return 0;
    }
    const std::uint32_t read = ReadStoredData(static_cast<char*>(buffer), wanted);
    if (read == 0) ThrowError(CZipException::badArchive);
    UpdateCrc(buffer, read);
    m_uUncomprLeft -= read;
    return read;
}

}  // namespace ZipKit
