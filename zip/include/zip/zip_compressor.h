// CZipCompressor: turns an entry's bytes into its stored data while the
// archive adds it, and back while the archive extracts it. It keeps the
// entry's CRC-32 and sizes on the header and passes its output through the
// entry's cryptograph (when it has one) to the storage, so every method
// combines with every encryption without a case for each pair.
#pragma once

#include <cstdint>
#include <memory>

#include "zip/zip_auto_buffer.h"
#include "zip/zip_config.h"

class CZipCryptograph;
class CZipFileHeader;
class CZipStorage;

class CZipCompressor {
public:
    enum CompressionMethod : int { methodStore = 0, methodDeflate = 8, methodBzip2 = 12 };
    enum CompressorType : int { typeDeflate = 1, typeBzip2 = 2 };
    static constexpr std::uint32_t kDefaultBufferSize = 128 * 1024;

    class COptions {
    public:
        virtual ~COptions() = default;
        virtual int GetType() const = 0;
        virtual std::unique_ptr<COptions> Clone() const = 0;
        std::uint32_t m_iBufferSize = kDefaultBufferSize;  // 0 means the default
    };

    // Stored and deflate: a deflate compressor; bzip2: a bzip2 compressor;
    // any other method: none.
    static std::unique_ptr<CZipCompressor> CreateCompressor(int method, CZipStorage& storage);
    static bool IsMethodSupported(int method) noexcept {
        return method == methodStore || method == methodDeflate || method == methodBzip2;
    }

    explicit CZipCompressor(CZipStorage& storage) : m_pStorage(&storage) {}
    CZipCompressor(const CZipCompressor&) = delete;
    CZipCompressor& operator=(const CZipCompressor&) = delete;
    virtual ~CZipCompressor() = default;

    virtual bool CanProcess(int method) const = 0;
    // Adding: InitCompression, Compress for each block, FinishCompression.
    virtual void InitCompression(int level, CZipFileHeader* header, CZipCryptograph* cryptograph);
    virtual void Compress(const void* buffer, std::uint32_t size) = 0;
    // After an exception nothing more is written.
    virtual void FinishCompression(bool afterException) = 0;
    // Extracting: InitDecompression, Decompress until it gives 0, FinishDecompression.
    virtual void InitDecompression(CZipFileHeader* header, CZipCryptograph* cryptograph);
    // Exactly the bytes the header declares: data that go on past them, or
    // end before them, are code 101.
    virtual std::uint32_t Decompress(void* buffer, std::uint32_t size) = 0;
    virtual void FinishDecompression(bool afterException) = 0;
    virtual const COptions* GetOptions() const { return nullptr; }
    virtual void UpdateOptions(const COptions& /*options*/) {}

    // Every byte the header declares has been produced, the stored data
    // ended there, and the CRC-32 of what was produced is known.
    bool DeliveredAll() const noexcept { return m_bFinished && m_uUncomprLeft == 0; }
    std::uint32_t GetCrc32() const noexcept { return m_uCrc32; }

protected:
    virtual int ConvertInternalError(int code) const { return code; }
    [[noreturn]] void ThrowError(int code) const;

    void InitBuffer();
    void ReleaseBuffer() noexcept { m_pBuffer.Free(); }
    void UpdateCrc(const void* data, std::uint32_t size);
    // Input to be compressed: its CRC-32 (kept on the header) and its count.
    void CountInput(const void* data, std::uint32_t size);
    // After the last output: the header's sizes.
    void CompleteHeader();
    // Compressed output: encrypted when the entry is, then to the storage.
    void WriteStoredData(char* data, std::uint32_t size);
    // The next stored bytes, at most size and never past the entry's stored
    // data, decrypted when the entry is encrypted.
    std::uint32_t ReadStoredData(char* data, std::uint32_t size);
    // Stored bytes after the end of the compressed stream are read (and
    // authenticated) so that whatever follows the data comes next.
    void SkipRemainingStoredData();
    // The buffer size of the options, or the default.
    virtual std::uint32_t BufferSize() const { return kDefaultBufferSize; }

    CZipStorage* m_pStorage;
    CZipAutoBuffer m_pBuffer;
    CZipCryptograph* m_pCryptograph = nullptr;
    CZipFileHeader* m_pFile = nullptr;
    ZIP_SIZE_TYPE m_uComprLeft = 0;    // stored bytes still to read
    ZIP_SIZE_TYPE m_uUncomprLeft = 0;  // bytes still to produce
    std::uint32_t m_uCrc32 = 0;
    ZIP_SIZE_TYPE m_uTotalIn = 0;
    ZIP_SIZE_TYPE m_uTotalOut = 0;
    bool m_bFinished = false;  // decompression reached the end of the stored data
};
