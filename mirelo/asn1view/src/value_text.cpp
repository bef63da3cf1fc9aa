// The value texts of the leaves.

#include "asn1view/nodes.h"
#include "asn1view/oid_db.h"
#include "der_time.h"

namespace asn1view {
namespace {

constexpr std::size_t kStringHexLimit = 65;
constexpr std::size_t kIntegerHexLimit = 16;
constexpr std::size_t kBitStringByteLimit = 5;

// Two upper-case digits and a blank per byte; "..." after the limit-th.
std::string HexBytes(const Bytes& bytes, std::size_t limit) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == limit) return text + "...";
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
        text += ' ';
    }
    return text;
}

}  // namespace

std::string ASNInteger::ValueText() const {
    return IsNumber() ? std::to_string(m_number) : HexBytes(m_bytes, kIntegerHexLimit);
}

std::string OctetString::ValueText() const { return HexBytes(m_bytes, kStringHexLimit); }

std::string ASNhex::ValueText() const { return HexBytes(m_bytes, kStringHexLimit); }

// Each byte's bits from the most significant down, the last byte's unused
// bits left out, a blank after each byte.
std::string BitString::ValueText() const {
    std::string text;
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (i == kBitStringByteLimit) return text + "...";
        const unsigned bits = i + 1 == m_bytes.size() ? 8 - m_unused : 8;
        for (unsigned bit = 0; bit < bits; ++bit) text += (m_bytes[i] & (0x80 >> bit)) ? '1' : '0';
        text += ' ';
    }
    return text;
}

std::string Oid::Dotted() const {
    std::string text;
    for (const std::int32_t arc : m_arcs) {
        if (!text.empty()) text += '.';
        text += std::to_string(arc);
    }
    if (!m_uuid.empty()) text += ".{" + m_uuid + "}";
    return text;
}

// The description is looked up for the arcs alone; an OID under the UUID arc
// names no registered object.
void Oid::ApplyLanguage(DWORD language) {
    LeafObject::ApplyLanguage(language);
    m_description = m_uuid.empty() ? OidDb::Instance().Lookup(m_arcs) : std::string();
}

std::string Oid::ValueText() const {
    return m_description.empty() ? Dotted() : m_description + " (" + Dotted() + ")";
}

// UTCTime years 50 to 99 are 19xx, 00 to 49 20xx; a fraction of the
// second follows the seconds.
std::string ASNTime::ValueText() const {
    const std::string& t = m_encoded;
    if (!IsDerTime(t, m_utc)) return t;
    const std::string year = m_utc ? (t[0] >= '5' ? "19" : "20") + t.substr(0, 2) : t.substr(0, 4);
    const std::string rest = t.substr(m_utc ? 2 : 4);
    return rest.substr(2, 2) + "." + rest.substr(0, 2) + "." + year + " " + rest.substr(4, 2) + ":" +
           rest.substr(6, 2) + ":" + rest.substr(8, rest.size() - 9) + " GMT";
}

}  // namespace asn1view
