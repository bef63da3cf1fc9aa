// The AES block cipher (FIPS-197), encryption only: WinZip AES runs it
// solely to make its counter-mode key stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zipcrypto {

class AesBlockCipher {
public:
    static constexpr std::size_t kBlockSize = 16;

    // A key of 16, 24 or 32 bytes (10, 12 or 14 rounds); another length: code 100.
    AesBlockCipher(const unsigned char* key, std::size_t keyLength);

    void encrypt(const unsigned char* in, unsigned char* out) const noexcept;

private:
    int m_rounds;
    std::uint32_t m_roundKeys[4 * 15];  // FIPS-197 words, first byte in the high bits
};

}  // namespace zipcrypto
