// bzip2 entries through libbz2. Debian's libbz2 reports its internal
// errors by ending the process, so its error hook is never reached here.
#include "zip/zip_bzip2_compressor.h"

#include <bzlib.h>

#include "zip/zip_exception.h"

namespace ZipKit {

struct CBzip2Compressor::Stream {
    enum class Kind { none, compress, decompress };
    bz_stream bz{};
    Kind kind = Kind::none;

    int end() noexcept {
        const int result = kind == Kind::compress     ? BZ2_bzCompressEnd(&bz)
                           : kind == Kind::decompress ? BZ2_bzDecompressEnd(&bz)
                                                      : BZ_OK;
        kind = Kind::none;
        return result;
    }
    ~Stream() { end(); }
};

CBzip2Compressor::CBzip2Compressor(CZipStorage& storage)
    : CBaseLibCompressor(storage), m_stream(std::make_unique<Stream>()) {}

CBzip2Compressor::~CBzip2Compressor() = default;

void CBzip2Compressor::UpdateOptions(const CZipCompressor::COptions& options) {
    if (options.GetType() == typeBzip2) m_options = static_cast<const COptions&>(options);
}

// BZ_SEQUENCE_ERROR (-1) to BZ_CONFIG_ERROR (-9) become 600 to 608.
int CBzip2Compressor::ConvertInternalError(int code) const {
    if (code <= BZ_SEQUENCE_ERROR && code >= BZ_CONFIG_ERROR) return 599 - code;
    return CZipException::generic;
}

void CBzip2Compressor::CheckForError(int code) const {
    if (code != BZ_OK) ThrowError(ConvertInternalError(code));
}

void CBzip2Compressor::StartCompression(int level) {
    m_stream->end();
    m_stream->bz = bz_stream{};
    const int blockSize = level < 0 ? 6 : level == 0 ? 1 : level;
    CheckForError(BZ2_bzCompressInit(&m_stream->bz, blockSize, 0, 0));
    m_stream->kind = Stream::Kind::compress;
}

void CBzip2Compressor::StartDecompression() {
    m_stream->end();
    m_stream->bz = bz_stream{};
    CheckForError(BZ2_bzDecompressInit(&m_stream->bz, 0, 0));
    m_stream->kind = Stream::Kind::decompress;
}

bool CBzip2Compressor::RunCompression(bool finish) {
    const int result = BZ2_bzCompress(&m_stream->bz, finish ? BZ_FINISH : BZ_RUN);
    if (result == BZ_STREAM_END) return true;
    if (result != BZ_RUN_OK && result != BZ_FINISH_OK) CheckForError(result);
    return false;
}

bool CBzip2Compressor::RunDecompression() {
    const int result = BZ2_bzDecompress(&m_stream->bz);
    if (result == BZ_STREAM_END) return true;
    CheckForError(result);
    return false;
}

void CBzip2Compressor::EndStream(bool check) {
    const int result = m_stream->end();
    if (check) CheckForError(result);
}

void CBzip2Compressor::SetInput(const char* data, std::uint32_t size) {
    m_stream->bz.next_in = const_cast<char*>(data);
    m_stream->bz.avail_in = size;
}

std::uint32_t CBzip2Compressor::InputLeft() const { return m_stream->bz.avail_in; }

void CBzip2Compressor::SetOutput(char* data, std::uint32_t size) {
    m_stream->bz.next_out = data;
    m_stream->bz.avail_out = size;
}

std::uint32_t CBzip2Compressor::OutputLeft() const { return m_stream->bz.avail_out; }

}  // namespace ZipKit
