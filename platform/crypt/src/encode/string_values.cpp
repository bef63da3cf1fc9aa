// RDN value conversions between the record forms and the DER string types.
#include "encode/string_values.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "win32/crypt_oid.h"

namespace platform::crypt::strings {

namespace {

// What CryptoAPI reports when a value cannot be put in the type asked for
// (a UTF-16 value with a lone surrogate as UTF8String).
constexpr HRESULT kOssPduMismatch = CRYPT_E_OSS_ERROR + 0x9;

struct TagOfType {
    DWORD type;
    BYTE tag;
};
constexpr TagOfType kTags[] = {
    {CERT_RDN_NUMERIC_STRING, der::kNumericString},  {CERT_RDN_PRINTABLE_STRING, der::kPrintableString},
    {CERT_RDN_TELETEX_STRING, der::kTeletexString},  {CERT_RDN_VIDEOTEX_STRING, der::kVideotexString},
    {CERT_RDN_IA5_STRING, der::kIa5String},          {CERT_RDN_GRAPHIC_STRING, der::kGraphicString},
    {CERT_RDN_VISIBLE_STRING, der::kVisibleString},  {CERT_RDN_GENERAL_STRING, der::kGeneralString},
    {CERT_RDN_UNIVERSAL_STRING, der::kUniversalString}, {CERT_RDN_BMP_STRING, der::kBmpString},
    {CERT_RDN_UTF8_STRING, der::kUtf8String},
};

bool isString(DWORD type) noexcept { return tagOf(type) != 0; }

bool fits(DWORD type, char32_t c) noexcept {
    const bool digit = c >= '0' && c <= '9';
    switch (type) {
    case CERT_RDN_NUMERIC_STRING:
        return digit || c == ' ';
    case CERT_RDN_PRINTABLE_STRING:
        return digit || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               (c < 0x80 && c && std::strchr(" '()+,-./:=?", static_cast<char>(c)));
    case CERT_RDN_IA5_STRING:
        return c < 0x80;
    default:
        return true;
    }
}

bool isChecked(DWORD type) noexcept {
    return type == CERT_RDN_NUMERIC_STRING || type == CERT_RDN_PRINTABLE_STRING || type == CERT_RDN_IA5_STRING;
}

HRESULT refusalOf(DWORD type) noexcept {
    return type == CERT_RDN_NUMERIC_STRING     ? CRYPT_E_INVALID_NUMERIC_STRING
           : type == CERT_RDN_PRINTABLE_STRING ? CRYPT_E_INVALID_PRINTABLE_STRING
                                               : CRYPT_E_INVALID_IA5_STRING;
}

template <class Units>
void check(DWORD type, const Units& units) {
    for (std::size_t i = 0; i < units.size(); ++i)
        if (!fits(type, units[i])) throw EncodeError(refusalOf(type), static_cast<DWORD>(i));
}

template <class Units>
bool allFit(DWORD type, const Units& units) {
    for (auto c : units)
        if (!fits(type, c)) return false;
    return true;
}

bool lonelySurrogate(std::u16string_view s) noexcept {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) return true;
    }
    return false;
}

bool isLatin1(std::u16string_view s) noexcept {
    return std::all_of(s.begin(), s.end(), [](char16_t c) { return c <= 0xFF; });
}

// The 8-bit types from UTF-16: bytes when every character is Latin-1,
// otherwise UTF-8 (CryptoAPI's way of carrying Unicode in a T61String).
der::Bytes eightBitOf(std::u16string_view s) {
    if (isLatin1(s)) return der::Bytes(s.begin(), s.end());
    const std::string utf8 = text::toUtf8(s);
    return der::Bytes(utf8.begin(), utf8.end());
}

std::u32string codePointsOf(std::u16string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[++i] - 0xDC00));
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void appendUtf16(std::u16string& out, char32_t cp) {
    if (cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
}

der::Bytes wireOfText(DWORD type, std::u16string_view s, bool checked) {
    der::Bytes content;
    switch (type) {
    case CERT_RDN_BMP_STRING:
        for (char16_t c : s) {
            content.push_back(static_cast<BYTE>(c >> 8));
            content.push_back(static_cast<BYTE>(c));
        }
        break;
    case CERT_RDN_UTF8_STRING: {
        if (lonelySurrogate(s)) throw WinError(kOssPduMismatch, "value cannot be a UTF8String");
        const std::string utf8 = text::toUtf8(s);
        content.assign(utf8.begin(), utf8.end());
        break;
    }
    case CERT_RDN_UNIVERSAL_STRING:
        for (char32_t cp : codePointsOf(s))
            for (int shift = 24; shift >= 0; shift -= 8) content.push_back(static_cast<BYTE>(cp >> shift));
        break;
    default:
        if (checked && isChecked(type)) check(type, s);
        content = eightBitOf(s);
    }
    return der::encode(tagOf(type), content);
}

std::u16string unitsOf(der::View bytes) {
    if (bytes.size() % 2) throw WinError(E_INVALIDARG, "UTF-16 value of an odd size");
    std::u16string s(bytes.size() / 2, u'\0');
    if (!bytes.empty()) std::memcpy(s.data(), bytes.data(), bytes.size());
    return s;
}

std::u32string int4sOf(der::View bytes) {
    if (bytes.size() % 4) throw WinError(E_INVALIDARG, "INT4 value of a size not divisible by 4");
    std::u32string s(bytes.size() / 4, U'\0');
    if (!bytes.empty()) std::memcpy(s.data(), bytes.data(), bytes.size());
    return s;
}

std::u16string unicodeTextOf(const CERT_RDN_VALUE_BLOB& value) {
    if (value.cbData == 0) {
        const auto* p = reinterpret_cast<const char16_t*>(value.pbData);
        return p ? std::u16string(p, text::length(p)) : std::u16string();
    }
    return unitsOf(view(value));
}

std::vector<DWORD> acceptableTypes(std::string_view oid) {
    std::vector<DWORD> types;
    const std::string key(oid);
    PCCRYPT_OID_INFO info = key.empty() ? nullptr
                                        : CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(key.c_str()),
                                                           CRYPT_RDN_ATTR_OID_GROUP_ID);
    if (info && info->ExtraInfo.pbData) {
        for (DWORD i = 0; i + 4 <= info->ExtraInfo.cbData; i += 4) {
            DWORD t;
            std::memcpy(&t, info->ExtraInfo.pbData + i, 4);
            if (!t) break;
            types.push_back(t);
        }
    }
    if (types.empty()) types = {CERT_RDN_PRINTABLE_STRING, CERT_RDN_UNICODE_STRING};
    return types;
}

// CERT_RDN_ANY_TYPE: the first acceptable type that holds the text. A
// Unicode candidate becomes T61, UTF-8 or BMP by the flags.
DWORD chooseType(std::string_view oid, std::u16string_view s, DWORD flags) {
    const std::vector<DWORD> types = acceptableTypes(oid);
    const bool directoryString = std::find(types.begin(), types.end(), CERT_RDN_UNICODE_STRING) != types.end();
    for (DWORD t : types) {
        if (t == CERT_RDN_UNICODE_STRING) {
            if ((flags & CERT_RDN_ENABLE_T61_UNICODE_FLAG) && isLatin1(s)) return CERT_RDN_T61_STRING;
            if (flags & (CERT_RDN_ENABLE_UTF8_UNICODE_FLAG | CERT_RDN_FORCE_UTF8_UNICODE_FLAG))
                return CERT_RDN_UTF8_STRING;
            return CERT_RDN_UNICODE_STRING;
        }
        if (t == CERT_RDN_PRINTABLE_STRING && directoryString && (flags & CERT_RDN_FORCE_UTF8_UNICODE_FLAG)) continue;
        if (!isChecked(t) || allFit(t, s)) return t;
    }
    return types.front();  // refused with the position of the first bad character
}

}  // namespace

BYTE tagOf(DWORD valueType) noexcept {
    for (const auto& t : kTags)
        if (t.type == (valueType & CERT_RDN_TYPE_MASK)) return t.tag;
    return 0;
}

DWORD typeOf(BYTE tag) noexcept {
    for (const auto& t : kTags)
        if (t.tag == tag) return t.type;
    return tag == der::kOctetString ? CERT_RDN_OCTET_STRING : CERT_RDN_ENCODED_BLOB;
}

der::Bytes encodeUnicode(DWORD valueType, const CERT_RDN_VALUE_BLOB& value, std::string_view oid, DWORD flags) {
    DWORD type = valueType & CERT_RDN_TYPE_MASK;
    if (type == CERT_RDN_ENCODED_BLOB || type == CERT_RDN_OCTET_STRING)
        return encodeValue(valueType, view(value), oid, flags);
    const std::u16string s = unicodeTextOf(value);
    const DWORD allFlags = valueType | flags;
    if (type == CERT_RDN_ANY_TYPE) type = chooseType(oid, s, allFlags);
    if (!isString(type)) throw WinError(E_INVALIDARG, "unknown RDN value type");
    return wireOfText(type, s, !(allFlags & CERT_RDN_DISABLE_CHECK_TYPE_FLAG));
}

der::Bytes encodeValue(DWORD valueType, der::View value, std::string_view oid, DWORD flags) {
    const DWORD type = valueType & CERT_RDN_TYPE_MASK;
    const bool checked = !((valueType | flags) & CERT_RDN_DISABLE_CHECK_TYPE_FLAG);
    switch (type) {
    case CERT_RDN_ANY_TYPE: {
        const std::u16string wide = text::toWide(std::string_view(reinterpret_cast<const char*>(value.data()),
                                                                  value.size()));
        const CERT_RDN_VALUE_BLOB blob{static_cast<DWORD>(wide.size() * 2),
                                       reinterpret_cast<BYTE*>(const_cast<char16_t*>(wide.data()))};
        return encodeUnicode(valueType, blob, oid, flags);
    }
    case CERT_RDN_ENCODED_BLOB: {
        const der::View whole = der::raw(value);
        return der::Bytes(whole.begin(), whole.end());
    }
    case CERT_RDN_OCTET_STRING:
        return der::octetString(value);
    case CERT_RDN_BMP_STRING:
    case CERT_RDN_UTF8_STRING:
        return wireOfText(type, unitsOf(value), checked);
    case CERT_RDN_UNIVERSAL_STRING: {
        der::Bytes content;
        for (char32_t cp : int4sOf(value))
            for (int shift = 24; shift >= 0; shift -= 8) content.push_back(static_cast<BYTE>(cp >> shift));
        return der::encode(der::kUniversalString, content);
    }
    default:
        if (!isString(type)) throw WinError(E_INVALIDARG, "unknown RDN value type");
        if (checked && isChecked(type)) check(type, value);
        return der::encode(tagOf(type), value);
    }
}

namespace {

CERT_RDN_VALUE_BLOB storeWide(Decoding& d, std::u16string_view s) {
    return {static_cast<DWORD>(s.size() * 2), reinterpret_cast<BYTE*>(d.wide(s))};
}

std::u16string wideOfWire(DWORD type, der::View content, DWORD flags) {
    std::u16string out;
    switch (type) {
    case CERT_RDN_BMP_STRING:
        if (content.size() % 2) throw WinError(CRYPT_E_ASN1_CORRUPT, "BMPString of an odd size");
        for (std::size_t i = 0; i < content.size(); i += 2)
            out.push_back(static_cast<char16_t>((content[i] << 8) | content[i + 1]));
        return out;
    case CERT_RDN_UTF8_STRING:
        return text::fromUtf8(std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
    case CERT_RDN_UNIVERSAL_STRING:
        if (content.size() % 4) throw WinError(CRYPT_E_ASN1_CORRUPT, "UniversalString of a bad size");
        for (std::size_t i = 0; i < content.size(); i += 4)
            appendUtf16(out, (static_cast<char32_t>(content[i]) << 24) | (content[i + 1] << 16) |
                                 (content[i + 2] << 8) | content[i + 3]);
        return out;
    default: {
        const std::string_view bytes(reinterpret_cast<const char*>(content.data()), content.size());
        if (type == CERT_RDN_T61_STRING && !(flags & CERT_RDN_DISABLE_IE4_UTF8_FLAG) && text::isValidUtf8(bytes))
            return text::fromUtf8(bytes);
        for (BYTE b : content) out.push_back(b);
        return out;
    }
    }
}

}  // namespace

void readValue(const der::Element& e, Decoding& d, DWORD& type, CERT_RDN_VALUE_BLOB& value) {
    type = typeOf(e.tag);
    switch (type) {
    case CERT_RDN_OCTET_STRING:
        value = d.bytes(e.content);
        return;
    case CERT_RDN_ENCODED_BLOB:
        value = d.bytes(e.encoded);
        return;
    case CERT_RDN_BMP_STRING:
    case CERT_RDN_UTF8_STRING:
        value = storeWide(d, wideOfWire(type, e.content, 0));
        return;
    case CERT_RDN_UNIVERSAL_STRING: {
        if (e.content.size() % 4) throw WinError(CRYPT_E_ASN1_CORRUPT, "UniversalString of a bad size");
        const std::size_t count = e.content.size() / 4;
        auto* p = d.make<DWORD>(count + 1);
        for (std::size_t i = 0; i < count; ++i)
            p[i] = (static_cast<DWORD>(e.content[4 * i]) << 24) | (e.content[4 * i + 1] << 16) |
                   (e.content[4 * i + 2] << 8) | e.content[4 * i + 3];
        value = {static_cast<DWORD>(count * 4), reinterpret_cast<BYTE*>(p)};
        return;
    }
    default:
        if (d.flags() & CRYPT_DECODE_NOCOPY_FLAG) {
            value = d.bytes(e.content);
        } else {
            auto* p = d.make<BYTE>(e.content.size() + 1);
            if (!e.content.empty()) std::memcpy(p, e.content.data(), e.content.size());
            value = {static_cast<DWORD>(e.content.size()), p};
        }
    }
}

void readUnicode(const der::Element& e, Decoding& d, DWORD& type, CERT_RDN_VALUE_BLOB& value) {
    type = typeOf(e.tag);
    if (type == CERT_RDN_OCTET_STRING || type == CERT_RDN_ENCODED_BLOB) return readValue(e, d, type, value);
    value = storeWide(d, wideOfWire(type, e.content, d.flags()));
}

std::u16string wideOf(const der::Element& e, DWORD flags) {
    const DWORD type = typeOf(e.tag);
    if (!isString(type)) throw WinError(CRYPT_E_ASN1_BADTAG, "string expected");
    return wideOfWire(type, e.content, flags);
}

std::u16string textOf(DWORD valueType, der::View value, DWORD flags) {
    const DWORD type = valueType & CERT_RDN_TYPE_MASK;
    std::u16string out;
    switch (type) {
    case CERT_RDN_BMP_STRING:
    case CERT_RDN_UTF8_STRING:
        return unitsOf(value.subspan(0, value.size() & ~std::size_t{1}));
    case CERT_RDN_UNIVERSAL_STRING:
        for (char32_t cp : int4sOf(value.subspan(0, value.size() & ~std::size_t{3}))) appendUtf16(out, cp);
        return out;
    default:
        return isString(type) ? wideOfWire(type, value, flags | (valueType & CERT_RDN_FLAGS_MASK)) : out;
    }
}

}  // namespace platform::crypt::strings
