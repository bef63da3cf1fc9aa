// CZipAutoBuffer: allocation follows the size.
#include "zip/zip_auto_buffer.h"

#include <cstring>

CZipAutoBuffer& CZipAutoBuffer::operator=(const CZipAutoBuffer& other) {
    if (this == &other) return *this;
    Free();
    if (other.m_iSize > 0) {
        Resize(other.m_iSize);
        std::memcpy(m_pBuffer.get(), other.m_pBuffer.get(), m_iSize);
    }
    return *this;
}

char* CZipAutoBuffer::Resize(std::uint32_t size, bool clear) {
    if (size != m_iSize) {
        Free();
        if (size > 0) {
            m_pBuffer.reset(new char[size]);
            m_iSize = size;
        }
    }
    if (clear && m_iSize > 0) std::memset(m_pBuffer.get(), 0, m_iSize);
    return m_pBuffer.get();
}

void CZipAutoBuffer::Free() noexcept {
    m_pBuffer.reset();
    m_iSize = 0;
}
