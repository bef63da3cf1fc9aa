// Reading BER as streaming encoders write it (openssl cms -stream):
// constructed elements of indefinite length, closed by end-of-contents
// octets (00 00), and strings made of segments. Otherwise as the DER reader
// (der.h): the same CRYPT_E_ASN1_* codes, lengths checked before use, nesting
// bounded by kMaxDepth. The end of an indefinite element is found by walking
// what it holds; each nested indefinite element is one level of recursion,
// so the walk is at most kMaxDepth deep and visits every byte once.
#pragma once

#include "der/der.h"

namespace platform::crypt::der {

struct BerElement {
    BYTE tag = 0;
    bool indefinite = false;
    View content;  // the contents, without the end-of-contents octets
    View encoded;  // the whole element as it came, end-of-contents included
};

class BerReader {
public:
    explicit BerReader(View data, unsigned depth = 0) : m_data(data), m_depth(depth) {}

    bool atEnd() const noexcept { return m_pos == m_data.size(); }
    // The next element, whatever its tag.
    BerElement read();
    // A reader over a constructed element's content, one level deeper.
    BerReader enter(const BerElement& e) const;
    // The octets of an OCTET STRING this reader read: its contents, or for a
    // constructed one the contents of its segments (OCTET STRINGs
    // themselves) one after another. BADTAG for any other element.
    Bytes octetsOf(const BerElement& e) const;

private:
    View m_data;
    std::size_t m_pos = 0;
    unsigned m_depth;
};

}  // namespace platform::crypt::der
