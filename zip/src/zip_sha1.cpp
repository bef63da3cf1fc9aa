#include "zip_sha1.h"

#include <bit>
#include <cstring>

namespace zipcrypto {

namespace {

std::uint32_t bigEndian32(const unsigned char* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void putBigEndian32(unsigned char* p, std::uint32_t v) noexcept {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

}  // namespace

void Sha1::compress(const unsigned char* block) noexcept {
    // The message schedule in a ring of 16 words: word t replaces word t - 16.
    std::uint32_t w[16];
    for (int t = 0; t < 16; ++t) w[t] = bigEndian32(block + 4 * t);
    const auto word = [&w](int t) {
        if (t >= 16) w[t & 15] = std::rotl(w[(t - 3) & 15] ^ w[(t - 8) & 15] ^ w[(t - 14) & 15] ^ w[t & 15], 1);
        return w[t & 15];
    };

    std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3], e = m_state[4];
    const auto step = [&](std::uint32_t f, std::uint32_t k, std::uint32_t scheduled) {
        const std::uint32_t next = std::rotl(a, 5) + f + e + k + scheduled;
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = next;
    };
    // The four stages of 20 steps, each with its function and constant.
    for (int t = 0; t < 20; ++t) step((b & c) | (~b & d), 0x5A827999, word(t));
    for (int t = 20; t < 40; ++t) step(b ^ c ^ d, 0x6ED9EBA1, word(t));
    for (int t = 40; t < 60; ++t) step((b & c) | (b & d) | (c & d), 0x8F1BBCDC, word(t));
    for (int t = 60; t < 80; ++t) step(b ^ c ^ d, 0xCA62C1D6, word(t));
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
}

void Sha1::update(const void* data, std::size_t size) noexcept {
    if (size == 0) return;
    const auto* in = static_cast<const unsigned char*>(data);
    std::size_t held = m_length % kBlockSize;
    m_length += size;
    if (held > 0) {
        const std::size_t piece = size < kBlockSize - held ? size : kBlockSize - held;
        std::memcpy(m_block + held, in, piece);
        in += piece;
        size -= piece;
        held += piece;
        if (held < kBlockSize) return;
        compress(m_block);
    }
    for (; size >= kBlockSize; in += kBlockSize, size -= kBlockSize) compress(in);
    if (size > 0) std::memcpy(m_block, in, size);
}

Sha1::Digest Sha1::finish() noexcept {
    // A one bit, zeros up to 8 bytes before a block's end, then the message
    // length in bits as a big-endian 64-bit number.
    const std::uint64_t bits = m_length * 8;
    const std::size_t held = m_length % kBlockSize;
    const std::size_t padding = (held < kBlockSize - 8 ? kBlockSize - 8 : 2 * kBlockSize - 8) - held;
    unsigned char tail[kBlockSize + 8] = {0x80};
    for (int i = 0; i < 8; ++i) tail[padding + i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    update(tail, padding + 8);

    Digest digest;
    for (int i = 0; i < 5; ++i) putBigEndian32(digest.data() + 4 * i, m_state[i]);
    return digest;
}

}  // namespace zipcrypto
