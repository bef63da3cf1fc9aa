// OBJECT IDENTIFIER contents and dotted text. Arcs may exceed 64 bits (the
// 2.25 UUID arcs do), so they are carried as small big numbers; an arc of
// more than kMaxArcGroups base-128 digits is refused as too large.
#include <algorithm>

#include "der/der.h"
#include "platform/win_error.h"

namespace platform::crypt::der {

namespace {

constexpr std::size_t kMaxArcGroups = 64;

// An unsigned number as 32-bit limbs, least significant first.
class Arc {
public:
    bool isZero() const noexcept { return m_limbs.empty(); }

    void mulAdd(std::uint32_t factor, std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (auto& limb : m_limbs) {
            const std::uint64_t v = static_cast<std::uint64_t>(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(v);
            carry = v >> 32;
        }
        if (carry) m_limbs.push_back(static_cast<std::uint32_t>(carry));
    }

    std::uint32_t divMod(std::uint32_t divisor) {
        std::uint64_t rest = 0;
        for (auto it = m_limbs.rbegin(); it != m_limbs.rend(); ++it) {
            const std::uint64_t v = (rest << 32) | *it;
            *it = static_cast<std::uint32_t>(v / divisor);
            rest = v % divisor;
        }
        while (!m_limbs.empty() && m_limbs.back() == 0) m_limbs.pop_back();
        return static_cast<std::uint32_t>(rest);
    }

    // Only called with a value of at least `amount`.
    void subtract(std::uint32_t amount) {
        std::uint64_t borrow = amount;
        for (auto& limb : m_limbs) {
            const std::uint64_t v = limb;
            limb = static_cast<std::uint32_t>(v - borrow);
            borrow = v < borrow ? 1 : 0;
            if (!borrow) break;
        }
        while (!m_limbs.empty() && m_limbs.back() == 0) m_limbs.pop_back();
    }

    std::uint32_t low() const noexcept { return m_limbs.empty() ? 0 : m_limbs[0]; }

    bool below(std::uint32_t bound) const noexcept {
        return m_limbs.empty() || (m_limbs.size() == 1 && m_limbs[0] < bound);
    }

    std::string decimal() const {
        if (isZero()) return "0";
        Arc copy = *this;
        std::string digits;
        while (!copy.isZero()) digits.push_back(static_cast<char>('0' + copy.divMod(10)));
        std::reverse(digits.begin(), digits.end());
        return digits;
    }

    void appendBase128(Bytes& out) const {
        Arc copy = *this;
        Bytes groups;
        do groups.push_back(static_cast<BYTE>(copy.divMod(128)));
        while (!copy.isZero());
        for (std::size_t i = groups.size(); i-- > 0;) out.push_back(static_cast<BYTE>(groups[i] | (i ? 0x80 : 0)));
    }

private:
    std::vector<std::uint32_t> m_limbs;
};

[[noreturn]] void badText() { throw WinError(CRYPT_E_ASN1_ERROR, "malformed OID text"); }

Arc parseArc(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxArcGroups * 2) badText();
    if (digits.size() > 1 && digits[0] == '0') badText();
    Arc arc;
    for (char c : digits) {
        if (c < '0' || c > '9') badText();
        arc.mulAdd(10, static_cast<std::uint32_t>(c - '0'));
    }
    return arc;
}

}  // namespace

std::string oidTextOf(View content) {
    if (content.empty() || (content.back() & 0x80)) throw WinError(CRYPT_E_ASN1_CORRUPT, "truncated OID");
    std::string text;
    std::size_t pos = 0;
    bool first = true;
    while (pos < content.size()) {
        if (content[pos] == 0x80) throw WinError(CRYPT_E_ASN1_CORRUPT, "OID arc with a leading zero group");
        Arc arc;
        std::size_t groups = 0;
        BYTE b;
        do {
            if (++groups > kMaxArcGroups) throw WinError(CRYPT_E_ASN1_LARGE, "OID arc too large");
            b = content[pos++];
            arc.mulAdd(128, b & 0x7F);
        } while (b & 0x80);
        if (first) {
            // The first group holds the first two arcs: 40 * first + second.
            const std::uint32_t top = arc.below(40) ? 0 : arc.below(80) ? 1 : 2;
            arc.subtract(top * 40);
            text = std::to_string(top);
            first = false;
        }
        text += '.';
        text += arc.decimal();
    }
    return text;
}

Bytes oid(std::string_view dotted) {
    std::vector<Arc> arcs;
    for (std::size_t start = 0;;) {
        const std::size_t dot = dotted.find('.', start);
        arcs.push_back(parseArc(dotted.substr(start, dot == std::string_view::npos ? dotted.npos : dot - start)));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    if (arcs.size() < 2 || !arcs[0].below(3) || (arcs[0].below(2) && !arcs[1].below(40))) badText();
    const std::uint32_t top = arcs[0].low();
    Arc firstGroup = arcs[1];
    firstGroup.mulAdd(1, top * 40);
    Bytes content;
    firstGroup.appendBase128(content);
    for (std::size_t i = 2; i < arcs.size(); ++i) arcs[i].appendBase128(content);
    return encode(kOid, content);
}

}  // namespace platform::crypt::der
