#include "der/ber.h"

#include "der/header.h"
#include "platform/win_error.h"

namespace platform::crypt::der {

namespace {

// The element at data[pos], which lies `depth` levels below the outermost.
BerElement elementAt(View data, std::size_t pos, unsigned depth) {
    const Header h = headerAt(data, pos, true);
    const std::size_t start = pos + h.headerSize;
    if (!h.indefinite) return {h.tag, false, data.subspan(start, h.length), data.subspan(pos, h.headerSize + h.length)};
    if (depth + 1 > kMaxDepth) throw WinError(CRYPT_E_ASN1_CORRUPT, "BER nested too deep");
    std::size_t end = start;
    for (;;) {
        if (data.size() - end < 2) throw WinError(CRYPT_E_ASN1_EOD, "BER end-of-contents missing");
        if (data[end] == 0 && data[end + 1] == 0) break;
        end += elementAt(data, end, depth + 1).encoded.size();
    }
    return {h.tag, true, data.subspan(start, end - start), data.subspan(pos, end + 2 - pos)};
}

void appendOctets(const BerReader& parent, const BerElement& e, Bytes& out) {
    if (e.tag == kOctetString) return concat(out, e.content);
    if (e.tag != (kOctetString | kConstructed)) throw WinError(CRYPT_E_ASN1_BADTAG, "OCTET STRING segment expected");
    BerReader segments = parent.enter(e);
    while (!segments.atEnd()) appendOctets(segments, segments.read(), out);
}

}  // namespace

BerElement BerReader::read() {
    if (atEnd()) throw WinError(CRYPT_E_ASN1_EOD, "BER element missing");
    BerElement e = elementAt(m_data, m_pos, m_depth);
    m_pos += e.encoded.size();
    return e;
}

BerReader BerReader::enter(const BerElement& e) const {
    if (m_depth + 1 > kMaxDepth) throw WinError(CRYPT_E_ASN1_CORRUPT, "BER nested too deep");
    return BerReader(e.content, m_depth + 1);
}

Bytes BerReader::octetsOf(const BerElement& e) const {
    Bytes out;
    appendOctets(*this, e, out);
    return out;
}

}  // namespace platform::crypt::der
