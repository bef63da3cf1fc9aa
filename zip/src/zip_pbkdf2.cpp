#include "zip_pbkdf2.h"

#include <algorithm>
#include <cstdint>

#include "zip_hmac_sha1.h"

namespace zipcrypto {

// Block i (from 1) is U1 xor ... xor Uc, where U1 = HMAC(password, salt ||
// i as a big-endian 32-bit number) and Uj = HMAC(password, Uj-1); the last
// block is cut to what is left of the output.
void pbkdf2HmacSha1(const void* password, std::size_t passwordSize, const unsigned char* salt, std::size_t saltSize,
                    unsigned iterations, unsigned char* out, std::size_t size) {
    const HmacSha1 keyed(password, passwordSize);
    for (std::uint32_t index = 1; size > 0; ++index) {
        const unsigned char indexBytes[4] = {static_cast<unsigned char>(index >> 24), static_cast<unsigned char>(index >> 16),
                                             static_cast<unsigned char>(index >> 8), static_cast<unsigned char>(index)};
        HmacSha1 first = keyed;
        first.update(salt, saltSize);
        first.update(indexBytes, sizeof indexBytes);
        Sha1::Digest u = first.finish();
        Sha1::Digest block = u;
        for (unsigned j = 1; j < iterations; ++j) {
            HmacSha1 next = keyed;
            next.update(u.data(), u.size());
            u = next.finish();
            for (std::size_t k = 0; k < block.size(); ++k) block[k] ^= u[k];
        }
        const std::size_t piece = std::min(size, block.size());
        std::copy_n(block.begin(), piece, out);
        out += piece;
        size -= piece;
    }
}

}  // namespace zipcrypto
