#include "zip_aes_counter_mode.h"

#include <algorithm>

#include "byte_order.h"

namespace zipcrypto {

void AesCounterMode::nextKeyStreamBlock() noexcept {
    unsigned char counterBlock[kBlockSize] = {};
    zipbytes::put64(reinterpret_cast<char*>(counterBlock), ++m_counter);
    m_cipher.encrypt(counterBlock, m_keyStream);
    m_position = 0;
}

void AesCounterMode::crypt(unsigned char* data, std::size_t size) noexcept {
    while (size > 0) {
        if (m_position == kBlockSize) nextKeyStreamBlock();
        const std::size_t piece = std::min(size, kBlockSize - m_position);
        for (std::size_t i = 0; i < piece; ++i) data[i] ^= m_keyStream[m_position + i];
        m_position += piece;
        data += piece;
        size -= piece;
    }
}

}  // namespace zipcrypto
