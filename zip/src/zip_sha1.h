// SHA-1 (FIPS 180-4), the hash under HMAC-SHA1 in WinZip AES: its key
// derivation and its authentication code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zipcrypto {

class Sha1 {
public:
    static constexpr std::size_t kBlockSize = 64;
    static constexpr std::size_t kDigestSize = 20;
    using Digest = std::array<unsigned char, kDigestSize>;

    void update(const void* data, std::size_t size) noexcept;
    // Pads the message and returns its digest; the object is spent afterwards.
    Digest finish() noexcept;

private:
    void compress(const unsigned char* block) noexcept;

    std::uint32_t m_state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::uint64_t m_length = 0;  // message bytes taken in
    unsigned char m_block[kBlockSize] = {};  // the message bytes after the last whole block
};

}  // namespace zipcrypto
