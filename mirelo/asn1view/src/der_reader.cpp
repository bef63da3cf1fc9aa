// The reader: one pass over the bytes with a stack of open containers. Every
// length is checked against the bytes its container has left before
// anything is read, and containers nest at most kMaxDepth deep.
#include "asn1view/der_reader.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "content_kind.h"
#include "der_time.h"
#include "oid_text.h"
#include "string_text.h"

namespace asn1view {
namespace {

enum Universal : std::uint32_t {
    kEndOfContents = 0, kBoolean = 1, kInteger = 2, kBitString = 3, kOctetString = 4, kNull = 5, kOid = 6,
    kObjectDescriptor = 7, kReal = 9, kEnumerated = 10, kUtf8String = 12, kSequence = 16, kSet = 17,
    kNumericString = 18, kPrintableString = 19, kT61String = 20, kVideotexString = 21, kIa5String = 22,
    kUtcTime = 23, kGeneralizedTime = 24, kGraphicString = 25, kVisibleString = 26, kGeneralString = 27,
    kUniversalString = 28, kBmpString = 30,
};

constexpr std::size_t kMaxOidBytes = 32;
constexpr std::uint8_t kClassUniversal = 0x00;
constexpr std::uint8_t kClassContext = 0x80;

struct Header {
    std::uint8_t identifier = 0;
    std::uint32_t tag = 0;
    bool constructed = false;
    bool indefinite = false;
    std::size_t length = 0;
    std::size_t size = 0;  // header bytes
    std::uint8_t Class() const { return identifier & 0xC0; }
};

enum class HeaderResult { Ok, Stop, Fatal };

// Reads a header at pos within [pos, end). A length that needs more than 4
// bytes is fatal; running out of bytes stops.
HeaderResult ReadHeader(std::span<const std::uint8_t> in, std::size_t pos, std::size_t end, Header& h) {
    const std::size_t start = pos;
    if (pos >= end) return HeaderResult::Stop;
    h.identifier = in[pos++];
    h.constructed = (h.identifier & 0x20) != 0;
    h.tag = h.identifier & 0x1F;
    if (h.tag == 0x1F) {
        h.tag = 0;
        for (int count = 0;; ++count) {
            if (count == 3 || pos >= end) return HeaderResult::Stop;
            const std::uint8_t b = in[pos++];
            h.tag = (h.tag << 7) | (b & 0x7F);
            if (!(b & 0x80)) break;
        }
    }
    if (pos >= end) return HeaderResult::Stop;
    const std::uint8_t first = in[pos++];
    h.indefinite = false;
    h.length = first;
    if (first & 0x80) {
        const unsigned count = first & 0x7F;
        if (count > 4) return HeaderResult::Fatal;
        h.indefinite = count == 0;
        h.length = 0;
        for (unsigned i = 0; i < count; ++i) {
            if (pos >= end) return HeaderResult::Stop;
            h.length = (h.length << 8) | in[pos++];
        }
    }
    h.size = pos - start;
    return HeaderResult::Ok;
}

bool NotMinimal(std::span<const std::uint8_t> c) {
    return c.size() >= 2 && ((c[0] == 0x00 && c[1] < 0x80) || (c[0] == 0xFF && c[1] >= 0x80));
}

// The contents as a signed number (sign-extended from the first byte).
std::int32_t SignedNumber(std::span<const std::uint8_t> c) {
    std::uint32_t value = (!c.empty() && (c[0] & 0x80)) ? 0xFFFFFFFFu : 0u;
    for (const std::uint8_t b : c) value = (value << 8) | b;
    return static_cast<std::int32_t>(value);
}

// Does the content of a BIT or OCTET STRING hold one ASN.1 item?
bool Encapsulates(std::span<const std::uint8_t> content) {
    Header h;
    if (ReadHeader(content, 0, content.size(), h) != HeaderResult::Ok) return false;
    if (h.Class() != kClassUniversal && h.Class() != kClassContext) return false;
    if (h.indefinite) {
        if (h.tag != kSequence || !h.constructed) return false;
        Header next;
        std::size_t pos = h.size;
        for (int i = 0; i < 2; ++i) {
            if (ReadHeader(content, pos, content.size(), next) != HeaderResult::Ok) return false;
            pos += next.size;
        }
        return next.tag >= 1 && next.tag <= 49 && next.length < content.size();
    }
    if (h.length != content.size() - h.size || h.tag < 1 || h.tag > 49) return false;
    return !h.constructed || h.tag == kSequence || h.tag == kSet;
}

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> in) : m_in(in) {}

    int Run(ASNRoot& root) {
        m_stack.push_back(&root);
        Header h;
        switch (ReadHeader(m_in, 0, m_in.size(), h)) {
        case HeaderResult::Fatal:
            return Fatal();
        case HeaderResult::Stop:
            return m_errors + 1;
        case HeaderResult::Ok:
            break;
        }
        if (h.identifier == 0) return m_errors + 1;
        m_pos = h.size;
        HandleItem(h, m_in.size());
        return m_fatal ? Fatal() : m_errors;
    }

private:
    int Fatal() {
        m_fatal = true;
        return std::max(m_errors, 1);
    }

    InnerObject& Top() { return *m_stack.back(); }

    template <class Node, class... Args>
    Node& AddLeaf(Args&&... args) {
        auto node = std::make_unique<Node>(std::forward<Args>(args)...);
        Node& added = *node;
        Top().Add(std::move(node));
        return added;
    }

    // Reads items until the definite end, or for an indefinite container
    // until its end-of-contents (or the bound of the container around it).
    void ReadItems(bool indefinite, std::size_t end) {
        ++m_depth;
        while (!m_fatal) {
            if (!indefinite && m_pos >= end) break;
            Header h;
            const HeaderResult r = ReadHeader(m_in, m_pos, end, h);
            if (r == HeaderResult::Fatal) {
                m_fatal = true;
                break;
            }
            if (r == HeaderResult::Stop) {
                ++m_errors;  // the container's bytes run out inside a header, or no end-of-contents
                m_pos = end;
                break;
            }
            m_pos += h.size;
            if (h.identifier == 0) {
                if (!indefinite) ++m_errors;
                break;
            }
            HandleItem(h, end);
            if (!indefinite && end - m_pos == 1) {
                const std::uint8_t last = m_in[m_pos];
                if (last == 0x00 || last > 0x31) {
                    ++m_pos;
                    ++m_errors;
                    break;
                }
            }
        }
        --m_depth;
    }

    // Handles one item whose header ends at m_pos, within a container that
    // ends at bound; m_pos is left after the item.
    void HandleItem(const Header& h, std::size_t bound) {
        if (h.indefinite) {
            if (!h.constructed) {
                ++m_errors;
                m_pos = bound;
                return;
            }
            ReadConstructed(h, true, bound);
            return;
        }
        if (h.length > bound - m_pos) {
            ++m_errors;  // longer than what its container has left
            m_pos = bound;
            return;
        }
        const std::size_t end = m_pos + h.length;
        if (h.constructed) {
            ReadConstructed(h, false, end);
        } else if (h.Class() != kClassUniversal) {
            ReadTaggedPrimitive(h, m_in.subspan(m_pos, h.length));
        } else {
            ReadUniversalPrimitive(h, m_in.subspan(m_pos, h.length));
        }
        if (!m_fatal) m_pos = end;
    }

    // Past the nesting limit the rest of the container is skipped.
    bool TooDeep(std::size_t end) {
        if (m_depth < kMaxDepth) return false;
        ++m_errors;
        m_pos = end;
        return true;
    }

    void ReadConstructed(const Header& h, bool indefinite, std::size_t end) {
        if (TooDeep(end)) return;
        const bool universal = h.Class() == kClassUniversal;
        if (!indefinite && h.length == 0 && !universal) {
            ++m_errors;
            return;
        }
        if (universal && h.tag > 30) {
            ++m_errors;
            if (indefinite) m_pos = end;
            return;
        }
        std::unique_ptr<InnerObject> node;
        if (!universal) node = std::make_unique<DistinctTag>(h.tag, true);
        else if (h.tag == kSequence) node = std::make_unique<Sequence>();
        else if (h.tag == kSet) node = std::make_unique<Set>();
        if (node) {
            m_stack.push_back(static_cast<InnerObject*>(&Top().Add(std::move(node))));
        }
        ReadItems(indefinite, end);
        if (universal && h.tag != kSequence && h.tag != kSet) return;
        m_stack.pop_back();
    }

    void ReadTaggedPrimitive(const Header& h, std::span<const std::uint8_t> content) {
        if (content.empty()) {
            ++m_errors;
            return;
        }
        auto& tag = static_cast<DistinctTag&>(Top().Add(std::make_unique<DistinctTag>(h.tag, false)));
        const ContentKind kind = ClassifyContent(content);
        if (kind == ContentKind::Bytes) tag.Add(std::make_unique<ASNhex>(Bytes(content.begin(), content.end())));
        else tag.Add(std::make_unique<ASNString>(TaggedStringText(kind, content, m_errors)));
    }

    // A string whose content looks like one ASN.1 item has its items shown
    // as children; content that does not read cleanly (a key identifier or a
    // digest that only starts like a header) stays the string's own bytes,
    // so that a sound file is never counted as damaged.
    template <class Inner>
    bool ReadEncapsulated(std::span<const std::uint8_t> content) {
        if (m_depth >= kMaxDepth) return false;
        auto node = std::make_unique<Inner>();
        const int errorsBefore = m_errors;
        const std::size_t saved = m_pos;
        m_stack.push_back(node.get());
        m_pos = static_cast<std::size_t>(content.data() - m_in.data());
        ReadItems(false, m_pos + content.size());
        m_stack.pop_back();
        m_pos = saved;
        if (m_fatal || m_errors != errorsBefore) {
            m_fatal = false;
            m_errors = errorsBefore;
            return false;
        }
        Top().Add(std::move(node));
        return true;
    }

    void ReadUniversalPrimitive(const Header& h, std::span<const std::uint8_t> c) {
        if (c.empty() && h.tag != kNull && h.tag != kReal) {
            ++m_errors;
            return;
        }
        switch (h.tag) {
        case kNull:
            if (!c.empty()) ++m_errors;
            AddLeaf<ASNNull>();
            break;
        case kBoolean:
            if (c.size() != 1 || (c[0] != 0x00 && c[0] != 0xFF)) ++m_errors;
            AddLeaf<ASNBoolean>(c[0] != 0);
            break;
        case kInteger:
            if (NotMinimal(c)) ++m_errors;
            if (c.size() <= 4) AddLeaf<ASNInteger>(SignedNumber(c));
            else AddLeaf<ASNInteger>(Bytes(c.begin(), c.end()));
            break;
        case kEnumerated:
            if (NotMinimal(c) || c.size() > 4) ++m_errors;
            AddLeaf<Enumerated>(SignedNumber(c.first(std::min<std::size_t>(c.size(), 4))));
            break;
        case kBitString: {
            const unsigned unused = c[0];
            const auto bits = c.subspan(1);
            if (unused > 7 || (bits.empty() && unused != 0)) ++m_errors;
            if (unused == 0 && Encapsulates(bits) && ReadEncapsulated<InnerBitString>(bits)) break;
            AddLeaf<BitString>(Bytes(bits.begin(), bits.end()), std::min(unused, 7u));
            break;
        }
        case kOctetString:
            if (Encapsulates(c) && ReadEncapsulated<InnerOctetString>(c)) break;
            AddLeaf<OctetString>(Bytes(c.begin(), c.end()));
            break;
        case kOid: {
            if (c.size() > kMaxOidBytes) {
                m_fatal = true;
                return;
            }
            DecodedOid oid = DecodeOid(c);
            if (!oid.valid) ++m_errors;
            AddLeaf<Oid>(std::move(oid.arcs), std::move(oid.uuid));
            break;
        }
        case kUtcTime:
        case kGeneralizedTime: {
            const bool utc = h.tag == kUtcTime;
            const std::string_view encoded(reinterpret_cast<const char*>(c.data()), c.size());
            if (!IsDerTime(encoded, utc)) ++m_errors;
            std::string text;
            for (const std::uint8_t b : c) text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
            AddLeaf<ASNTime>(std::move(text), utc);
            break;
        }
        case kObjectDescriptor: case kUtf8String: case kNumericString: case kPrintableString:
        case kT61String: case kVideotexString: case kIa5String: case kGraphicString: case kVisibleString:
        case kGeneralString: case kUniversalString: case kBmpString:
            AddLeaf<ASNString>(UniversalStringText(h.tag, c, m_errors));
            break;
        default:
            ++m_errors;
        }
    }

    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;
    int m_errors = 0;
    int m_depth = 0;
    bool m_fatal = false;
    std::vector<InnerObject*> m_stack;
};

}  // namespace

int ParseDer(ASNRoot& root, std::span<const std::uint8_t> der) { return Reader(der).Run(root); }

int ParseDerFile(ASNRoot& root, const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return 1;
    const std::vector<std::uint8_t> der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return 1;
    return ParseDer(root, der);
}

}  // namespace asn1view
