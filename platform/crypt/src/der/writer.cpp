// The DER writer: definite minimal lengths, minimal INTEGERs, sorted SET OF.
#include <algorithm>

#include "der/der.h"
#include "platform/win_error.h"

namespace platform::crypt::der {

void appendHeader(Bytes& out, BYTE tag, std::size_t length) {
    if (length > 0xFFFFFFFFu) throw WinError(CRYPT_E_BAD_ENCODE, "value too long to encode");
    out.push_back(tag);
    if (length < 0x80) {
        out.push_back(static_cast<BYTE>(length));
        return;
    }
    BYTE count = 0;
    for (std::size_t rest = length; rest; rest >>= 8) ++count;
    out.push_back(static_cast<BYTE>(0x80 | count));
    for (int shift = (count - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<BYTE>(length >> shift));
}

void append(Bytes& out, BYTE tag, View content) {
    appendHeader(out, tag, content.size());
    out.insert(out.end(), content.begin(), content.end());
}

Bytes encode(BYTE tag, View content) {
    Bytes out;
    out.reserve(content.size() + 6);
    append(out, tag, content);
    return out;
}

Bytes wrap(BYTE tag, std::initializer_list<View> parts) {
    std::size_t length = 0;
    for (View p : parts) length += p.size();
    Bytes out;
    out.reserve(length + 6);
    appendHeader(out, tag, length);
    for (View p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes setOf(std::vector<Bytes> elements) {
    std::sort(elements.begin(), elements.end());
    Bytes content;
    for (const Bytes& e : elements) content.insert(content.end(), e.begin(), e.end());
    return encode(kSet, content);
}

View raw(View encoded) {
    try {
        Reader r(encoded);
        r.read();
        r.finish();
    } catch (const WinError&) {
        throw WinError(CRYPT_E_BAD_ENCODE, "pre-encoded value is not one DER element");
    }
    return encoded;
}

Bytes boolean(bool value) {
    const BYTE content = value ? 0xFF : 0x00;
    return encode(kBoolean, View(&content, 1));
}

Bytes integer(std::int64_t value, BYTE tag) {
    BYTE bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<BYTE>(static_cast<std::uint64_t>(value) >> (56 - 8 * i));
    Bytes out = integerSigned(View(bytes, 8));
    out[0] = tag;
    return out;
}

Bytes integerSigned(View bigEndian) {
    std::size_t skip = 0;
    while (skip + 1 < bigEndian.size() &&
           ((bigEndian[skip] == 0x00 && !(bigEndian[skip + 1] & 0x80)) ||
            (bigEndian[skip] == 0xFF && (bigEndian[skip + 1] & 0x80))))
        ++skip;
    if (bigEndian.empty()) {
        const BYTE zero = 0;
        return encode(kInteger, View(&zero, 1));
    }
    return encode(kInteger, bigEndian.subspan(skip));
}

Bytes integerUnsigned(View bigEndian) {
    std::size_t skip = 0;
    while (skip < bigEndian.size() && bigEndian[skip] == 0) ++skip;
    const View magnitude = bigEndian.subspan(skip);
    Bytes content;
    content.reserve(magnitude.size() + 1);
    if (magnitude.empty() || (magnitude[0] & 0x80)) content.push_back(0);
    content.insert(content.end(), magnitude.begin(), magnitude.end());
    return encode(kInteger, content);
}

Bytes null() { return {kNull, 0}; }

Bytes octetString(View bytes, BYTE tag) { return encode(tag, bytes); }

Bytes bitString(View bytes, DWORD unusedBits, BYTE tag) {
    if (unusedBits > 7 || (bytes.empty() && unusedBits != 0))
        throw WinError(CRYPT_E_BAD_ENCODE, "BIT STRING with bad unused bits");
    Bytes out;
    appendHeader(out, tag, bytes.size() + 1);
    out.push_back(static_cast<BYTE>(unusedBits));
    out.insert(out.end(), bytes.begin(), bytes.end());
    // DER: the unused bits of the last byte are zero.
    if (!bytes.empty()) out.back() = static_cast<BYTE>(out.back() & (0xFF << unusedBits));
    return out;
}

Bytes reversed(View bytes) { return Bytes(bytes.rbegin(), bytes.rend()); }

}  // namespace platform::crypt::der
