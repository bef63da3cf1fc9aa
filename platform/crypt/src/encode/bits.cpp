// BIT STRINGs: X509_BITS writes the bits as given; X509_KEY_USAGE drops the
// trailing zero bits and counts the unused bits itself, as CryptoAPI does and
// as RFC 5280 4.2.1.3 asks of named bit lists.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt::codecs {

der::Bytes encodeBits(const void* info, const Encoding&) {
    const auto& bits = record<CRYPT_BIT_BLOB>(info);
    return der::bitString(view({bits.cbData, bits.pbData}), bits.cUnusedBits);
}

der::Bytes encodeKeyUsage(const void* info, const Encoding&) {
    const auto& bits = record<CRYPT_BIT_BLOB>(info);
    const der::View given = view({bits.cbData, bits.pbData});
    der::Bytes bytes(given.begin(), given.end());
    if (!bytes.empty() && bits.cUnusedBits < 8)
        bytes.back() = static_cast<BYTE>(bytes.back() & (0xFF << bits.cUnusedBits));
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    DWORD unused = 0;
    if (!bytes.empty())
        while (!(bytes.back() & (1u << unused))) ++unused;
    return der::bitString(bytes, unused);
}

void decodeBits(der::View input, Decoding& d) {
    auto& bits = *d.make<CRYPT_BIT_BLOB>();
    parts::readBits(der::readOuter(input, der::kBitString), d, bits);
}

}  // namespace platform::crypt::codecs
