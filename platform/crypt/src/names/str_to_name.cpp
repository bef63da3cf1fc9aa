// CertStrToNameA/W: "CN=Jan Novák, O=\"Firma, a.s.\", C=CZ" to an encoded
// Name. Keys are X.500 names, OIDs or "OID." OIDs; values may be quoted
// (a quote doubled inside) or "#" hex (an octet string); white space around
// keys and values is dropped. The string type of each value is chosen as for
// X509_UNICODE_NAME with CERT_RDN_ANY_TYPE.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/boundary.h"
#include "platform/buffers.h"
#include "platform/text.h"
#include "win32/crypt_names.h"
#include "win32/crypt_oid.h"

using namespace platform;

namespace {

// A refusal with the position in the text where it was found.
struct BadText {
    HRESULT code;
    std::size_t position;
};

struct Attribute {
    std::string oid;
    DWORD type;
    std::u16string text;   // the value (characters, or the bytes of "#" hex)
    std::size_t position;  // where the value starts in the input
};

class Parser {
public:
    Parser(std::u16string_view text, DWORD strType) : m_text(text), m_flags(strType) {}

    std::vector<std::vector<Attribute>> rdns() {
        std::vector<std::vector<Attribute>> rdns;
        skipSpace();
        if (atEnd()) return rdns;
        rdns.emplace_back();
        for (;;) {
            rdns.back().push_back(attribute());
            skipSpace();
            if (atEnd()) break;
            const char16_t c = m_text[m_pos++];
            if (c == '+' && !(m_flags & CERT_NAME_STR_NO_PLUS_FLAG)) continue;
            if (!isRdnSeparator(c)) fail(m_pos - 1);
            if (c == '\r' && !atEnd() && m_text[m_pos] == '\n') ++m_pos;  // CR LF is one separator
            rdns.emplace_back();
        }
        return rdns;
    }

private:
    bool atEnd() const { return m_pos == m_text.size(); }
    static bool isSpace(char16_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    void skipSpace() {
        while (!atEnd() && isSpace(m_text[m_pos]) && !isRdnSeparator(m_text[m_pos])) ++m_pos;
    }
    [[noreturn]] static void fail(std::size_t at) { throw BadText{CRYPT_E_INVALID_X500_STRING, at}; }

    bool isRdnSeparator(char16_t c) const {
        if (m_flags & CERT_NAME_STR_COMMA_FLAG) return c == ',';
        if (m_flags & CERT_NAME_STR_SEMICOLON_FLAG) return c == ';';
        if (m_flags & CERT_NAME_STR_CRLF_FLAG) return c == '\r' || c == '\n';
        return c == ',' || c == ';';
    }
    bool endsValue(char16_t c) const {
        return isRdnSeparator(c) || (c == '+' && !(m_flags & CERT_NAME_STR_NO_PLUS_FLAG));
    }

    Attribute attribute() {
        skipSpace();
        const std::size_t keyStart = m_pos;
        while (!atEnd() && m_text[m_pos] != '=' && !endsValue(m_text[m_pos])) ++m_pos;
        if (atEnd() || m_text[m_pos] != '=') fail(keyStart);
        std::u16string_view key = m_text.substr(keyStart, m_pos - keyStart);
        while (!key.empty() && isSpace(key.back())) key.remove_suffix(1);
        ++m_pos;
        Attribute a{oidOfKey(key, keyStart), CERT_RDN_ANY_TYPE, {}, 0};
        skipSpace();
        a.position = m_pos;
        if (!atEnd() && m_text[m_pos] == '"' && !(m_flags & CERT_NAME_STR_NO_QUOTING_FLAG)) {
            a.text = quotedValue();
        } else if (!atEnd() && m_text[m_pos] == '#') {
            a.type = CERT_RDN_OCTET_STRING;
            a.text = hexValue();
        } else {
            const std::size_t start = m_pos;
            while (!atEnd() && !endsValue(m_text[m_pos])) ++m_pos;
            std::u16string_view value = m_text.substr(start, m_pos - start);
            while (!value.empty() && isSpace(value.back())) value.remove_suffix(1);
            a.text = value;
        }
        return a;
    }

    std::string oidOfKey(std::u16string_view key, std::size_t at) const {
        if (key.size() > 4 && text::equalsNoCase(key.substr(0, 4), u"OID.")) key.remove_prefix(4);
        if (key.empty()) fail(at);
        if (std::all_of(key.begin(), key.end(), [](char16_t c) { return (c >= '0' && c <= '9') || c == '.'; }))
            return std::string(key.begin(), key.end());
        const std::u16string name(key);
        PCCRYPT_OID_INFO info = CryptFindOIDInfo(CRYPT_OID_INFO_NAME_KEY, const_cast<char16_t*>(name.c_str()),
                                                 CRYPT_RDN_ATTR_OID_GROUP_ID);
        if (!info) fail(at);
        return info->pszOID;
    }

    std::u16string quotedValue() {
        const std::size_t open = m_pos++;
        std::u16string value;
        for (;;) {
            if (atEnd()) fail(open);
            const char16_t c = m_text[m_pos++];
            if (c != '"') {
                value.push_back(c);
            } else if (!atEnd() && m_text[m_pos] == '"') {
                value.push_back(c);
                ++m_pos;
            } else {
                return value;
            }
        }
    }

    std::u16string hexValue() {
        const std::size_t start = m_pos++;
        std::u16string bytes;
        int pending = -1;
        for (; !atEnd() && !endsValue(m_text[m_pos]); ++m_pos) {
            const char16_t c = m_text[m_pos];
            if (isSpace(c)) continue;
            const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                               : -1;
            if (v < 0) fail(m_pos);
            if (pending < 0) {
                pending = v;
            } else {
                bytes.push_back(static_cast<char16_t>(pending << 4 | v));
                pending = -1;
            }
        }
        if (pending >= 0) fail(start);
        return bytes;
    }

    std::u16string_view m_text;
    DWORD m_flags;
    std::size_t m_pos = 0;
};

DWORD rdnFlagsOf(DWORD strType) {
    DWORD flags = 0;
    if (strType & CERT_NAME_STR_ENABLE_T61_UNICODE_FLAG) flags |= CERT_RDN_ENABLE_T61_UNICODE_FLAG;
    if (strType & CERT_NAME_STR_ENABLE_UTF8_UNICODE_FLAG) flags |= CERT_RDN_ENABLE_UTF8_UNICODE_FLAG;
    if ((strType & CERT_NAME_STR_FORCE_UTF8_DIR_STR_FLAG) && !(strType & CERT_NAME_STR_DISABLE_UTF8_DIR_STR_FLAG))
        flags |= CERT_RDN_FORCE_UTF8_UNICODE_FLAG;
    return flags;
}

// Encodes the parsed name; a character its type refuses becomes a BadText
// at that character.
std::vector<BYTE> encodeName(std::vector<std::vector<Attribute>> rdns, DWORD strType) {
    if (strType & CERT_NAME_STR_REVERSE_FLAG) std::reverse(rdns.begin(), rdns.end());
    std::vector<std::vector<BYTE>> octets;  // keeps "#" values alive as bytes
    std::vector<std::vector<CERT_RDN_ATTR>> attrs(rdns.size());
    std::vector<CERT_RDN> rdnRecords;
    const DWORD rdnFlags = rdnFlagsOf(strType);
    for (std::size_t r = 0; r < rdns.size(); ++r) {
        for (Attribute& a : rdns[r]) {
            CERT_RDN_VALUE_BLOB value;
            if (a.type == CERT_RDN_OCTET_STRING) {
                octets.emplace_back(a.text.begin(), a.text.end());
                value = {static_cast<DWORD>(octets.back().size()), octets.back().data()};
            } else {
                value = {static_cast<DWORD>(a.text.size() * 2), reinterpret_cast<BYTE*>(a.text.data())};
                if (a.text.empty()) value.pbData = reinterpret_cast<BYTE*>(const_cast<char16_t*>(u""));
            }
            attrs[r].push_back({a.oid.data(), a.type | rdnFlags, value});
        }
        rdnRecords.push_back({static_cast<DWORD>(attrs[r].size()), attrs[r].data()});
    }
    CERT_NAME_INFO name{static_cast<DWORD>(rdnRecords.size()), rdnRecords.data()};
    DWORD size = 0;
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_UNICODE_NAME, &name, nullptr, &size)) {
        const DWORD code = GetLastError();
        if (code == static_cast<DWORD>(CRYPT_E_INVALID_PRINTABLE_STRING) ||
            code == static_cast<DWORD>(CRYPT_E_INVALID_IA5_STRING) ||
            code == static_cast<DWORD>(CRYPT_E_INVALID_NUMERIC_STRING)) {
            const Attribute& a = rdns[GET_CERT_UNICODE_RDN_ERR_INDEX(size)][GET_CERT_UNICODE_ATTR_ERR_INDEX(size)];
            throw BadText{static_cast<HRESULT>(code), a.position + GET_CERT_UNICODE_VALUE_ERR_INDEX(size)};
        }
        throw WinError(code, "name does not encode");
    }
    std::vector<BYTE> encoded(size);
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_UNICODE_NAME, &name, encoded.data(), &size))
        throw WinError(GetLastError(), "name does not encode");
    return encoded;
}

// The caller's string widened character for character (Windows-1250 is a
// single-byte page), so a position in it is a position in the caller's.
std::u16string widened(const char* s) { return text::toWide(s); }
std::u16string widened(const char16_t* s) { return s; }

template <class Char>
BOOL strToName(DWORD encodingType, const Char* original, DWORD strType, BYTE* pbEncoded, DWORD* pcbEncoded,
               const Char** ppszError) {
    if (ppszError) *ppszError = nullptr;
    return winBool([&] {
        const DWORD format = strType & 0xFFFF;
        if (!(encodingType & X509_ASN_ENCODING) || !original ||
            (format != CERT_OID_NAME_STR && format != CERT_X500_NAME_STR))
            throw WinError(E_INVALIDARG, "unsupported name string");
        try {
            const std::u16string text = widened(original);
            Parser parser(text, strType);
            const std::vector<BYTE> encoded = encodeName(parser.rdns(), strType);
            copyOut(encoded, pbEncoded, pcbEncoded);
        } catch (const BadText& bad) {
            if (ppszError) *ppszError = original + bad.position;
            throw WinError(bad.code, "malformed X.500 name string");
        }
        return true;
    });
}

}  // namespace

BOOL CertStrToNameA(DWORD dwCertEncodingType, LPCSTR pszX500, DWORD dwStrType, void*, BYTE* pbEncoded,
                    DWORD* pcbEncoded, LPCSTR* ppszError) noexcept {
    return strToName(dwCertEncodingType, pszX500, dwStrType, pbEncoded, pcbEncoded, ppszError);
}

BOOL CertStrToNameW(DWORD dwCertEncodingType, LPCWSTR pszX500, DWORD dwStrType, void*, BYTE* pbEncoded,
                    DWORD* pcbEncoded, LPCWSTR* ppszError) noexcept {
    return strToName(dwCertEncodingType, pszX500, dwStrType, pbEncoded, pcbEncoded, ppszError);
}
