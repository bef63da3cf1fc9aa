// ZipKit::CDeflateCompressor: stored entries, and deflate (raw deflate of
// RFC 1951, as ZIP method 8 keeps it) through zlib with a 32 KiB window and
// memory level 8.
#pragma once

#include <memory>

#include "zip/zip_base_lib_compressor.h"

namespace ZipKit {

class CDeflateCompressor : public CBaseLibCompressor {
public:
    class COptions : public CZipCompressor::COptions {
    public:
        int GetType() const override { return typeDeflate; }
        std::unique_ptr<CZipCompressor::COptions> Clone() const override { return std::make_unique<COptions>(*this); }
        // The stream must end exactly at the entry's declared size (code 101
        // otherwise); without it such an entry only fails its extraction.
        bool m_bCheckLastBlock = true;
    };

    explicit CDeflateCompressor(CZipStorage& storage);
    ~CDeflateCompressor() override;

    bool CanProcess(int method) const override { return method == methodStore || method == methodDeflate; }
    void InitCompression(int level, CZipFileHeader* header, CZipCryptograph* cryptograph) override;
    void Compress(const void* buffer, std::uint32_t size) override;
    void FinishCompression(bool afterException) override;
    void InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph) override;
    std::uint32_t Decompress(void* buffer, std::uint32_t size) override;
    const COptions* GetOptions() const override { return &m_options; }
    void UpdateOptions(const CZipCompressor::COptions& options) override;

protected:
    int ConvertInternalError(int code) const override;
    std::uint32_t BufferSize() const override { return m_options.m_iBufferSize; }
    bool CheckLastBlock() const override { return m_options.m_bCheckLastBlock; }
    void StartCompression(int level) override;
    void StartDecompression() override;
    bool RunCompression(bool finish) override;
    bool RunDecompression() override;
    void EndStream(bool check) override;
    void SetInput(const char* data, std::uint32_t size) override;
    std::uint32_t InputLeft() const override;
    void SetOutput(char* data, std::uint32_t size) override;
    std::uint32_t OutputLeft() const override;

private:
    struct Stream;
    void CheckForError(int code) const;

    std::unique_ptr<Stream> m_stream;
    COptions m_options;
    bool m_bStored = false;  // the entry at hand is stored (method 0)
    std::uint32_t m_uStoredPending = 0;  // bytes of a stored entry waiting in the buffer
};

}  // namespace ZipKit
