// CZipMemFile: a file in a block of memory with 32-bit positions. It grows
// by whole grow steps; grow step 0 means the block may not grow. It counts as
// closed while it has no block. Failures throw CZipException 505.
#pragma once

#include "zip/zip_abstract_file.h"

class CZipMemFile : public CZipAbstractFile {
public:
    explicit CZipMemFile(std::uint32_t growStep = 1024) : m_nGrowBy(growStep) {}
    CZipMemFile(const CZipMemFile&) = delete;
    CZipMemFile& operator=(const CZipMemFile&) = delete;
    ~CZipMemFile() override { Close(); }

    // Closes, then reads and writes the caller's block (not freed here).
    void UseBuffer(void* buffer, std::uint32_t size, std::uint32_t growStep = 0);
    // Hands the block to the caller (free it with free(); the data are the
    // first GetLength() bytes, taken before) and leaves the file closed.
    void* Detach() noexcept;

    // Frees an owned block; position, sizes and grow step become 0.
    void Close() override;
    void Flush() override {}
    ZIP_FILE_USIZE GetPosition() const override { return m_nPos; }
    // Past the data end only the capacity grows; the data size grows when
    // something is written there.
    ZIP_FILE_USIZE Seek(ZIP_FILE_SIZE offset, int origin) override;
    ZIP_FILE_USIZE GetLength() const override { return m_nDataSize; }
    // Above the capacity: grows and keeps the position; otherwise the
    // position moves to the new length. New bytes read as 0.
    void SetLength(ZIP_FILE_USIZE length) override;
    CZipString GetFilePath() const override { return {}; }
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    void Write(const void* buffer, std::uint32_t count) override;
    bool IsClosed() const override { return m_lpBuf == nullptr; }

private:
    void Grow(ZIP_FILE_USIZE size);
    void ZeroUpTo(std::uint32_t size) noexcept;

    std::uint32_t m_nGrowBy;
    std::uint32_t m_nPos = 0;
    std::uint32_t m_nBufSize = 0;
    std::uint32_t m_nDataSize = 0;
    char* m_lpBuf = nullptr;
    bool m_bAutoDelete = true;
};
