// ZipKit::CBzip2Compressor: bzip2 entries (method 12) through libbz2, with
// a block size of 100 KiB times the level (level -1 gives 6, 0 gives 1).
#pragma once

#include <memory>

#include "zip/zip_base_lib_compressor.h"

namespace ZipKit {

class CBzip2Compressor : public CBaseLibCompressor {
public:
    class COptions : public CZipCompressor::COptions {
    public:
        int GetType() const override { return typeBzip2; }
        std::unique_ptr<CZipCompressor::COptions> Clone() const override { return std::make_unique<COptions>(*this); }
    };

    explicit CBzip2Compressor(CZipStorage& storage);
    ~CBzip2Compressor() override;

    bool CanProcess(int method) const override { return method == methodBzip2; }
    const COptions* GetOptions() const override { return &m_options; }
    void UpdateOptions(const CZipCompressor::COptions& options) override;

protected:
    int ConvertInternalError(int code) const override;
    std::uint32_t BufferSize() const override { return m_options.m_iBufferSize; }
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
};

}  // namespace ZipKit
