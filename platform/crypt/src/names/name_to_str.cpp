// CertNameToStrA/W: an encoded name as "CN=..., O=..." in the simple, OID or
// X.500 form, with CryptoAPI's separators, order and quoting.
#include <algorithm>
#include <memory>
#include <vector>

#include "names/value_text.h"
#include "platform/boundary.h"
#include "win32/crypt_names.h"
#include "win32/crypt_oid.h"
#include "win32/memory.h"

using namespace platform;
using namespace platform::crypt;

namespace {

struct LocalFreer {
    void operator()(void* p) const noexcept { LocalFree(p); }
};

std::unique_ptr<CERT_NAME_INFO, LocalFreer> decodeName(DWORD encodingType, const CERT_NAME_BLOB* name) {
    void* block = nullptr;
    DWORD size = 0;
    if (!name || !CryptDecodeObjectEx(encodingType, X509_NAME, name->pbData, name->cbData,
                                      CRYPT_DECODE_ALLOC_FLAG | CRYPT_DECODE_NOCOPY_FLAG, nullptr, &block, &size))
        return nullptr;
    return std::unique_ptr<CERT_NAME_INFO, LocalFreer>(static_cast<CERT_NAME_INFO*>(block));
}

// The key in front of a value: none, the OID, or the X.500 key with
// "OID." before OIDs that have none.
std::string keyOf(LPCSTR oid, DWORD format) {
    if (format == CERT_OID_NAME_STR) return oid;
    PCCRYPT_OID_INFO info = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<LPSTR>(oid), CRYPT_RDN_ATTR_OID_GROUP_ID);
    if (!info || !info->pwszName) return std::string("OID.") + oid;
    std::string key;
    for (const WCHAR* c = info->pwszName; *c; ++c) key.push_back(static_cast<char>(*c));
    return key;
}

// Quoted when empty, with white space at either end, or with a character
// that separates or introduces something in the text form; inner quotes
// are doubled.
template <class Char>
std::basic_string<Char> quoted(const std::basic_string<Char>& value) {
    const auto isSpace = [](Char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const auto isSpecial = [](Char c) {
        return c == ',' || c == '+' || c == '=' || c == '"' || c == '\n' || c == '<' || c == '>' || c == '#' ||
               c == ';';
    };
    const bool needs = value.empty() || isSpace(value.front()) || isSpace(value.back()) ||
                       std::any_of(value.begin(), value.end(), isSpecial);
    if (!needs) return value;
    std::basic_string<Char> out(1, Char('"'));
    for (Char c : value) {
        if (c == '"') out.push_back(c);
        out.push_back(c);
    }
    out.push_back(Char('"'));
    return out;
}

template <class Char>
std::basic_string<Char> widen(const std::string& ascii) {
    return std::basic_string<Char>(ascii.begin(), ascii.end());
}

template <class Char>
std::basic_string<Char> nameText(const CERT_NAME_INFO& name, DWORD strType) {
    const DWORD format = strType & 0xFFFF;
    const std::string rdnSeparator = (strType & CERT_NAME_STR_SEMICOLON_FLAG) ? "; "
                                     : (strType & CERT_NAME_STR_CRLF_FLAG)    ? "\r\n"
                                                                              : ", ";
    const std::string attrSeparator = (strType & CERT_NAME_STR_NO_PLUS_FLAG) ? " " : " + ";
    const DWORD rdnFlags = (strType & CERT_NAME_STR_DISABLE_IE4_UTF8_FLAG) ? CERT_RDN_DISABLE_IE4_UTF8_FLAG : 0;
    std::vector<const CERT_RDN*> rdns;
    for (DWORD i = 0; i < name.cRDN; ++i) rdns.push_back(&name.rgRDN[i]);
    if (strType & CERT_NAME_STR_REVERSE_FLAG) std::reverse(rdns.begin(), rdns.end());

    std::basic_string<Char> out;
    for (std::size_t r = 0; r < rdns.size(); ++r) {
        if (r) out += widen<Char>(rdnSeparator);
        for (DWORD a = 0; a < rdns[r]->cRDNAttr; ++a) {
            const CERT_RDN_ATTR& attr = rdns[r]->rgRDNAttr[a];
            if (a) out += widen<Char>(attrSeparator);
            if (format != CERT_SIMPLE_NAME_STR) out += widen<Char>(keyOf(attr.pszObjId, format) + "=");
            const std::basic_string<Char> value = names::valueText(attr.dwValueType, attr.Value, rdnFlags, Char{});
            const bool quote = !(strType & CERT_NAME_STR_NO_QUOTING_FLAG) && !names::isHexText(attr.dwValueType);
            out += quote ? quoted(value) : value;
        }
    }
    return out;
}

template <class Char>
DWORD nameToStr(DWORD encodingType, const CERT_NAME_BLOB* pName, DWORD strType, Char* psz, DWORD csz) {
    return winValue<DWORD>(names::putText(std::basic_string<Char>(), psz, csz), [&] {
        const DWORD format = strType & 0xFFFF;
        const auto name = decodeName(encodingType, pName);
        if (!name || format < CERT_SIMPLE_NAME_STR || format > CERT_X500_NAME_STR)
            return names::putText(std::basic_string<Char>(), psz, csz);
        return names::putText(nameText<Char>(*name, strType), psz, csz);
    });
}

}  // namespace

DWORD CertNameToStrA(DWORD dwCertEncodingType, const CERT_NAME_BLOB* pName, DWORD dwStrType, LPSTR psz,
                     DWORD csz) noexcept {
    return nameToStr(dwCertEncodingType, pName, dwStrType, psz, csz);
}

DWORD CertNameToStrW(DWORD dwCertEncodingType, const CERT_NAME_BLOB* pName, DWORD dwStrType, LPWSTR psz,
                     DWORD csz) noexcept {
    return nameToStr(dwCertEncodingType, pName, dwStrType, psz, csz);
}
