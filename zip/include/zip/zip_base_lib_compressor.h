// ZipKit::CBaseLibCompressor: the work loops that the deflate and bzip2
// compressors share. A derived class only starts, runs and ends its
// library's stream over the input and output positions set here.
#pragma once

#include "zip/zip_compressor.h"

namespace ZipKit {

class CBaseLibCompressor : public CZipCompressor {
public:
    using CZipCompressor::CZipCompressor;

    void InitCompression(int level, CZipFileHeader* header, CZipCryptograph* cryptograph) override;
    void Compress(const void* buffer, std::uint32_t size) override;
    void FinishCompression(bool afterException) override;
    void InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph) override;
    std::uint32_t Decompress(void* buffer, std::uint32_t size) override;
    void FinishDecompression(bool afterException) override;

protected:
    virtual void StartCompression(int level) = 0;
    virtual void StartDecompression() = 0;
    // One run of the library over the current positions; true at the end
    // of the stream. Library errors are thrown converted.
    virtual bool RunCompression(bool finish) = 0;
    virtual bool RunDecompression() = 0;
    // Releases the library's stream; with check its result is thrown on failure.
    virtual void EndStream(bool check) = 0;
    virtual void SetInput(const char* data, std::uint32_t size) = 0;
    virtual std::uint32_t InputLeft() const = 0;
    virtual void SetOutput(char* data, std::uint32_t size) = 0;
    virtual std::uint32_t OutputLeft() const = 0;
    // Whether the stream must end exactly at the declared size.
    virtual bool CheckLastBlock() const { return true; }

private:
    void FlushOutput();
    // Feeds stored data when the input is used up; true at the end of the
    // stream; code 101 when no progress is possible (the data are cut short).
    bool StepDecompression();
    void VerifyStreamEnd();
    void EndOfStream();
};

}  // namespace ZipKit
