// CZipMemFile: growth, seeking and transfer inside one block of memory.
#include "zip/zip_mem_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "zip/zip_exception.h"

namespace {

constexpr ZIP_FILE_USIZE kAddressable = ZIP_FILE_USIZE{1} << 32;

}  // namespace

void CZipMemFile::UseBuffer(void* buffer, std::uint32_t size, std::uint32_t growStep) {
    Close();
    m_lpBuf = static_cast<char*>(buffer);
    m_nBufSize = m_nDataSize = size;
    m_nPos = 0;
    m_nGrowBy = growStep;
    m_bAutoDelete = false;
}

void* CZipMemFile::Detach() noexcept {
    void* block = m_lpBuf;
    m_bAutoDelete = false;
    Close();
    return block;
}

void CZipMemFile::Close() {
    if (m_bAutoDelete) std::free(m_lpBuf);
    m_lpBuf = nullptr;
    m_nGrowBy = m_nPos = m_nBufSize = m_nDataSize = 0;
    m_bAutoDelete = true;
}

// The capacity rises by whole grow steps. It is at least doubled when it
// rises at all, so a long run of small writes costs few reallocations.
void CZipMemFile::Grow(ZIP_FILE_USIZE size) {
    if (m_nBufSize >= size) return;
    if (m_nGrowBy == 0 || size >= kAddressable) CZipException::Throw(CZipException::memoryFile);
    const ZIP_FILE_USIZE wanted = std::max<ZIP_FILE_USIZE>(size, ZIP_FILE_USIZE{m_nBufSize} * 2);
    ZIP_FILE_USIZE capacity = m_nBufSize + (wanted - m_nBufSize + m_nGrowBy - 1) / m_nGrowBy * m_nGrowBy;
    if (capacity >= kAddressable) capacity = kAddressable - 1;
    void* block = std::realloc(m_lpBuf, capacity);
    if (!block) CZipException::Throw(CZipException::memoryFile);
    m_lpBuf = static_cast<char*>(block);
    m_nBufSize = static_cast<std::uint32_t>(capacity);
}

void CZipMemFile::ZeroUpTo(std::uint32_t size) noexcept {
    if (size > m_nDataSize) std::memset(m_lpBuf + m_nDataSize, 0, size - m_nDataSize);
}

ZIP_FILE_USIZE CZipMemFile::Seek(ZIP_FILE_SIZE offset, int origin) {
    ZIP_FILE_SIZE target = 0;
    switch (origin) {
    case begin: target = offset; break;
    case current: target = ZIP_FILE_SIZE{m_nPos} + offset; break;
    case end: target = ZIP_FILE_SIZE{m_nDataSize} + offset; break;
    default: return m_nPos;
    }
    if (target < 0 || static_cast<ZIP_FILE_USIZE>(target) >= kAddressable)
        CZipException::Throw(CZipException::memoryFile);
    if (static_cast<ZIP_FILE_USIZE>(target) > m_nDataSize) Grow(static_cast<ZIP_FILE_USIZE>(target));
    m_nPos = static_cast<std::uint32_t>(target);
    return m_nPos;
}

void CZipMemFile::SetLength(ZIP_FILE_USIZE length) {
    if (length > m_nBufSize) {
        Grow(length);
    } else {
        m_nPos = static_cast<std::uint32_t>(length);
    }
    ZeroUpTo(static_cast<std::uint32_t>(length));
    m_nDataSize = static_cast<std::uint32_t>(length);
}

std::uint32_t CZipMemFile::Read(void* buffer, std::uint32_t count) {
    if (m_nPos >= m_nDataSize) return 0;
    const std::uint32_t n = std::min(count, m_nDataSize - m_nPos);
    std::memcpy(buffer, m_lpBuf + m_nPos, n);
    m_nPos += n;
    return n;
}

void CZipMemFile::Write(const void* buffer, std::uint32_t count) {
    if (count == 0) return;
    const ZIP_FILE_USIZE end = ZIP_FILE_USIZE{m_nPos} + count;
    if (end > m_nBufSize) Grow(end);
    ZeroUpTo(m_nPos);
    std::memcpy(m_lpBuf + m_nPos, buffer, count);
    m_nPos = static_cast<std::uint32_t>(end);
    if (m_nPos > m_nDataSize) m_nDataSize = m_nPos;
}
