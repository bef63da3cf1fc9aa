// AES in counter mode as WinZip AES defines it: before each key-stream
// block the counter is incremented as a little-endian number over the
// counter block's first 8 bytes (the other 8 stay zero), so an entry's first
// block comes from counter 1. Encrypting and decrypting are the same xor.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zip_aes_block.h"

namespace zipcrypto {

class AesCounterMode {
public:
    // A key of 16, 24 or 32 bytes; another length: code 100.
    AesCounterMode(const unsigned char* key, std::size_t keyLength) : m_cipher(key, keyLength) {}

    // Xors the data with the next size bytes of the key stream.
    void crypt(unsigned char* data, std::size_t size) noexcept;

private:
    static constexpr std::size_t kBlockSize = AesBlockCipher::kBlockSize;

    void nextKeyStreamBlock() noexcept;

    AesBlockCipher m_cipher;
    std::uint64_t m_counter = 0;  // wraps after the eighth byte, as the format's carry stops there
    unsigned char m_keyStream[kBlockSize] = {};
    std::size_t m_position = kBlockSize;  // of the next key-stream byte; at the end a new block is due
};

}  // namespace zipcrypto
