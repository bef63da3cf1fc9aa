// name_match.cpp: names brought to one form (values folded, attributes of
// an RDN sorted, every piece length-prefixed) and compared in it.
#include "chain/name_match.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "platform/win_error.h"
#include "store/decoded.h"
#include "win32/crypt_encode.h"

namespace platform::crypt::chain {

namespace {

using store::View;

// The string types whose values are text to be compared without regard to
// case and white space.
bool foldedType(DWORD type) {
    switch (type) {
    case CERT_RDN_PRINTABLE_STRING:
    case CERT_RDN_TELETEX_STRING:
    case CERT_RDN_UNIVERSAL_STRING:
    case CERT_RDN_UTF8_STRING:
    case CERT_RDN_BMP_STRING:
    case CERT_RDN_IA5_STRING:
    case CERT_RDN_VISIBLE_STRING:
        return true;
    default:
        return false;
    }
}

// Controls and space separators that count as white space.
bool isSpace(char16_t c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::u16string folded(std::u16string_view text) {
    std::u16string out;
    bool pendingSpace = false;
    for (const char16_t c : text::toLower(text)) {
        if (isSpace(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out.push_back(u' ');
        pendingSpace = false;
        out.push_back(c);
    }
    return out;
}

// A length, then the piece: no two different sequences of pieces give the
// same text.
void put(std::u16string& out, std::u16string_view piece) {
    out.push_back(static_cast<char16_t>(piece.size() >> 16));
    out.push_back(static_cast<char16_t>(piece.size() & 0xFFFF));
    out.append(piece);
}

std::u16string preparedValue(const CERT_RDN_ATTR& attribute) {
    std::u16string out;
    put(out, text::fromUtf8(attribute.pszObjId ? attribute.pszObjId : ""));
    const DWORD type = attribute.dwValueType & CERT_RDN_TYPE_MASK;
    const View value = store::viewOf(attribute.Value);
    if (foldedType(type)) {
        // Text values come as UTF-16 from the Unicode name form.
        const auto* units = reinterpret_cast<const char16_t*>(value.data());
        put(out, u"text");
        put(out, folded(std::u16string_view(units, value.size() / 2)));
    } else {
        put(out, std::u16string(1, static_cast<char16_t>(type)));
        put(out, std::u16string(value.begin(), value.end()));
    }
    return out;
}

std::u16string preparedRdn(const CERT_RDN& rdn) {
    std::vector<std::u16string> values;
    for (DWORD i = 0; i < rdn.cRDNAttr; ++i) values.push_back(preparedValue(rdn.rgRDNAttr[i]));
    std::sort(values.begin(), values.end());
    std::u16string out;
    for (const auto& value : values) put(out, value);
    return out;
}

std::optional<std::u16string> preparedName(View name) {
    try {
        const auto info = store::decodeObject<CERT_NAME_INFO>(X509_UNICODE_NAME, name);
        std::u16string out;
        for (DWORD i = 0; i < info->cRDN; ++i) put(out, preparedRdn(info->rgRDN[i]));
        return out;
    } catch (const WinError&) {
        return std::nullopt;
    }
}

}  // namespace

NameMatcher::NameMatcher(View name) : m_bytes(name.begin(), name.end()), m_prepared(preparedName(name)) {}

bool NameMatcher::matches(View other) const {
    if (store::sameBytes(m_bytes, other)) return true;
    if (!m_prepared) return false;
    const auto prepared = preparedName(other);
    return prepared && *prepared == *m_prepared;
}

bool sameName(View a, View b) {
    return store::sameBytes(a, b) || NameMatcher(a).matches(b);
}

}  // namespace platform::crypt::chain
