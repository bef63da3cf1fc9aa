// The DER reader: element headers, checked against the bytes left before use.
#include "der/der.h"

#include "der/header.h"
#include "platform/win_error.h"

namespace platform::crypt::der {

Header headerAt(View data, std::size_t pos, bool indefiniteAllowed) {
    const std::size_t left = data.size() - pos;
    if (left < 2) throw WinError(CRYPT_E_ASN1_EOD, "DER header past the end");
    const BYTE tag = data[pos];
    if ((tag & 0x1F) == 0x1F) throw WinError(CRYPT_E_ASN1_CORRUPT, "DER tag of the multi-byte form");
    const BYTE first = data[pos + 1];
    if (first == 0x80) {
        if (!indefiniteAllowed || !(tag & kConstructed))
            throw WinError(CRYPT_E_ASN1_CORRUPT, "DER indefinite length");
        return {tag, 2, 0, true};
    }
    std::size_t length = first;
    std::size_t headerSize = 2;
    if (first > 0x80) {
        const std::size_t count = first & 0x7F;
        if (count > 4) throw WinError(CRYPT_E_ASN1_LARGE, "DER length of more than four bytes");
        if (left < 2 + count) throw WinError(CRYPT_E_ASN1_EOD, "DER length past the end");
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | data[pos + 2 + i];
        headerSize += count;
    }
    if (length > left - headerSize) throw WinError(CRYPT_E_ASN1_EOD, "DER content past the end");
    return {tag, headerSize, length, false};
}

namespace {

Element elementAt(View data, std::size_t pos) {
    const Header h = headerAt(data, pos, false);
    return {h.tag, data.subspan(pos + h.headerSize, h.length), data.subspan(pos, h.headerSize + h.length)};
}

}  // namespace

Element Reader::read() {
    if (atEnd()) throw WinError(CRYPT_E_ASN1_EOD, "DER element missing");
    Element e = elementAt(m_data, m_pos);
    m_pos += e.encoded.size();
    return e;
}

Element Reader::read(BYTE tag) {
    if (atEnd()) throw WinError(CRYPT_E_ASN1_EOD, "DER element missing");
    if (m_data[m_pos] != tag) throw WinError(CRYPT_E_ASN1_BADTAG, "unexpected DER tag");
    return read();
}

std::optional<Element> Reader::readIf(BYTE tag) {
    if (!nextIs(tag)) return std::nullopt;
    return read();
}

Reader Reader::enter(const Element& e) const {
    if (m_depth + 1 > kMaxDepth) throw WinError(CRYPT_E_ASN1_CORRUPT, "DER nested too deep");
    return Reader(e.content, m_depth + 1);
}

void Reader::finish() const {
    if (!atEnd()) throw WinError(CRYPT_E_ASN1_CORRUPT, "unexpected DER element");
}

DWORD Reader::countLeft() const {
    DWORD count = 0;
    for (std::size_t pos = m_pos; pos < m_data.size(); ++count) {
        const Header h = headerAt(m_data, pos, false);
        pos += h.headerSize + h.length;
    }
    return count;
}

Element readOuter(View input) {
    Reader r(input);
    return r.read();
}

Element readOuter(View input, BYTE tag) {
    Reader r(input);
    return r.read(tag);
}

bool booleanOf(View content) {
    if (content.size() != 1) throw WinError(CRYPT_E_ASN1_CORRUPT, "BOOLEAN of another size than 1");
    return content[0] != 0;
}

std::int32_t int32Of(View content) {
    if (content.empty()) throw WinError(CRYPT_E_ASN1_CORRUPT, "empty INTEGER");
    if (content.size() > 8) throw WinError(CRYPT_E_ASN1_LARGE, "INTEGER beyond 32 bits");
    std::int64_t value = (content[0] & 0x80) ? -1 : 0;
    for (BYTE b : content) value = static_cast<std::int64_t>((static_cast<std::uint64_t>(value) << 8) | b);
    if (value < INT32_MIN || value > INT32_MAX) throw WinError(CRYPT_E_ASN1_LARGE, "INTEGER beyond 32 bits");
    return static_cast<std::int32_t>(value);
}

BitString bitStringOf(View content) {
    if (content.empty()) throw WinError(CRYPT_E_ASN1_CORRUPT, "empty BIT STRING");
    const DWORD unused = content[0];
    if (unused > 7 || (content.size() == 1 && unused != 0))
        throw WinError(CRYPT_E_ASN1_CORRUPT, "BIT STRING with bad unused bits");
    return {content.subspan(1), unused};
}

}  // namespace platform::crypt::der
