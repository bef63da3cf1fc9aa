// Table-driven: each round looks up one 32-bit word per state byte that
// carries SubBytes and MixColumns together; the tables are computed at
// compile time from the field GF(2^8).
#include "zip_aes_block.h"

#include <array>
#include <bit>

#include "zip/zip_exception.h"

namespace zipcrypto {

namespace {

// Multiplication by x in GF(2^8), reduced by x^8 + x^4 + x^3 + x + 1 (0x11B).
constexpr std::uint8_t timesX(std::uint8_t a) {
    return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
}

constexpr std::uint8_t multiply(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    for (; b != 0; b >>= 1, a = timesX(a))
        if (b & 1) product ^= a;
    return product;
}

// a^254, the multiplicative inverse of a non-zero a; 0 stays 0.
constexpr std::uint8_t inverse(std::uint8_t a) {
    std::uint8_t result = 1;
    for (int bit = 7; bit >= 0; --bit) {
        result = multiply(result, result);
        if ((254 >> bit) & 1) result = multiply(result, a);
    }
    return result;
}

// The S-box: the inverse, then the affine transformation with the constant 0x63.
constexpr std::uint8_t substitute(std::uint8_t a) {
    const std::uint8_t b = inverse(a);
    return static_cast<std::uint8_t>(b ^ std::rotl(b, 1) ^ std::rotl(b, 2) ^ std::rotl(b, 3) ^ std::rotl(b, 4) ^ 0x63);
}

struct Tables {
    std::array<std::uint8_t, 256> sbox{};
    // round[r][a]: the column that MixColumns makes of S(a) in row r and
    // zeros elsewhere; round[r] is round[0] rotated right by 8r bits.
    std::array<std::array<std::uint32_t, 256>, 4> round{};
};

constexpr Tables makeTables() {
    Tables t;
    for (int a = 0; a < 256; ++a) {
        const std::uint8_t s = substitute(static_cast<std::uint8_t>(a));
        t.sbox[a] = s;
        const std::uint32_t column = static_cast<std::uint32_t>(multiply(s, 2)) << 24 | static_cast<std::uint32_t>(s) << 16 |
                                     static_cast<std::uint32_t>(s) << 8 | multiply(s, 3);
        for (int r = 0; r < 4; ++r) t.round[r][a] = std::rotr(column, 8 * r);
    }
    return t;
}

constexpr Tables kTables = makeTables();
static_assert(kTables.sbox[0x00] == 0x63 && kTables.sbox[0x53] == 0xED);  // FIPS-197, figure 7

std::uint32_t subWord(std::uint32_t w) noexcept {
    const auto& s = kTables.sbox;
    return static_cast<std::uint32_t>(s[w >> 24]) << 24 | static_cast<std::uint32_t>(s[(w >> 16) & 0xFF]) << 16 |
           static_cast<std::uint32_t>(s[(w >> 8) & 0xFF]) << 8 | s[w & 0xFF];
}

std::uint32_t loadWord(const unsigned char* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void storeWord(unsigned char* p, std::uint32_t w) noexcept {
    p[0] = static_cast<unsigned char>(w >> 24);
    p[1] = static_cast<unsigned char>(w >> 16);
    p[2] = static_cast<unsigned char>(w >> 8);
    p[3] = static_cast<unsigned char>(w);
}

// One column of a middle round: ShiftRows takes row r from column c + r.
std::uint32_t mixedColumn(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2, std::uint32_t c3) noexcept {
    const auto& t = kTables.round;
    return t[0][c0 >> 24] ^ t[1][(c1 >> 16) & 0xFF] ^ t[2][(c2 >> 8) & 0xFF] ^ t[3][c3 & 0xFF];
}

// One column of the last round, which has no MixColumns.
std::uint32_t substitutedColumn(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2, std::uint32_t c3) noexcept {
    const auto& s = kTables.sbox;
    return static_cast<std::uint32_t>(s[c0 >> 24]) << 24 | static_cast<std::uint32_t>(s[(c1 >> 16) & 0xFF]) << 16 |
           static_cast<std::uint32_t>(s[(c2 >> 8) & 0xFF]) << 8 | s[c3 & 0xFF];
}

}  // namespace

// The key expansion of FIPS-197, section 5.2.
AesBlockCipher::AesBlockCipher(const unsigned char* key, std::size_t keyLength) {
    if (keyLength != 16 && keyLength != 24 && keyLength != 32) CZipException::Throw(CZipException::generic);
    const int keyWords = static_cast<int>(keyLength / 4);
    m_rounds = keyWords + 6;
    for (int i = 0; i < keyWords; ++i) m_roundKeys[i] = loadWord(key + 4 * i);
    std::uint8_t roundConstant = 1;
    for (int i = keyWords; i < 4 * (m_rounds + 1); ++i) {
        std::uint32_t temp = m_roundKeys[i - 1];
        if (i % keyWords == 0) {
            temp = subWord(std::rotl(temp, 8)) ^ static_cast<std::uint32_t>(roundConstant) << 24;
            roundConstant = timesX(roundConstant);
        } else if (keyWords > 6 && i % keyWords == 4) {
            temp = subWord(temp);
        }
        m_roundKeys[i] = m_roundKeys[i - keyWords] ^ temp;
    }
}

void AesBlockCipher::encrypt(const unsigned char* in, unsigned char* out) const noexcept {
    const std::uint32_t* key = m_roundKeys;
    std::uint32_t s0 = loadWord(in) ^ key[0], s1 = loadWord(in + 4) ^ key[1];
    std::uint32_t s2 = loadWord(in + 8) ^ key[2], s3 = loadWord(in + 12) ^ key[3];
    for (int round = 1; round < m_rounds; ++round) {
        key += 4;
        const std::uint32_t t0 = mixedColumn(s0, s1, s2, s3) ^ key[0];
        const std::uint32_t t1 = mixedColumn(s1, s2, s3, s0) ^ key[1];
        const std::uint32_t t2 = mixedColumn(s2, s3, s0, s1) ^ key[2];
        const std::uint32_t t3 = mixedColumn(s3, s0, s1, s2) ^ key[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    key += 4;
    storeWord(out, substitutedColumn(s0, s1, s2, s3) ^ key[0]);
    storeWord(out + 4, substitutedColumn(s1, s2, s3, s0) ^ key[1]);
    storeWord(out + 8, substitutedColumn(s2, s3, s0, s1) ^ key[2]);
    storeWord(out + 12, substitutedColumn(s3, s0, s1, s2) ^ key[3]);
}

}  // namespace zipcrypto
