// CZipAutoBuffer: an owned byte array with a 32-bit size, used for every
// header, name, comment and extra-field record.
#pragma once

#include <cstdint>
#include <memory>

class CZipAutoBuffer {
public:
    CZipAutoBuffer() = default;
    // size bytes, not cleared.
    explicit CZipAutoBuffer(std::uint32_t size) { Resize(size); }
    CZipAutoBuffer(const CZipAutoBuffer& other) { *this = other; }
    CZipAutoBuffer(CZipAutoBuffer&&) noexcept = default;
    CZipAutoBuffer& operator=(const CZipAutoBuffer& other);
    CZipAutoBuffer& operator=(CZipAutoBuffer&&) noexcept = default;
    virtual ~CZipAutoBuffer() = default;

    // New storage only when the size changes; size 0 leaves the buffer empty
    // (null). With clear the bytes are set to 0.
    char* Resize(std::uint32_t size, bool clear = false);
    void Free() noexcept;

    char* GetBuffer() noexcept { return m_pBuffer.get(); }
    const char* GetBuffer() const noexcept { return m_pBuffer.get(); }
    std::uint32_t GetSize() const noexcept { return m_iSize; }
    bool IsAllocated() const noexcept { return m_pBuffer != nullptr; }

private:
    std::unique_ptr<char[]> m_pBuffer;
    std::uint32_t m_iSize = 0;
};
