// RDN values as text, and CertRDNValueToStrA/W.
#include "names/value_text.h"

#include "encode/string_values.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "win32/crypt_names.h"

namespace platform::crypt::names {

namespace {

template <class Char>
std::basic_string<Char> hexText(const CERT_RDN_VALUE_BLOB& value) {
    static const char digits[] = "0123456789ABCDEF";
    std::basic_string<Char> out(1, Char('#'));
    for (DWORD i = 0; i < value.cbData; ++i) {
        out.push_back(Char(digits[value.pbData[i] >> 4]));
        out.push_back(Char(digits[value.pbData[i] & 0xF]));
    }
    return out;
}

bool keepsBytes(DWORD type, std::string_view bytes, DWORD rdnFlags) {
    switch (type & CERT_RDN_TYPE_MASK) {
    case CERT_RDN_BMP_STRING:
    case CERT_RDN_UTF8_STRING:
    case CERT_RDN_UNIVERSAL_STRING:
        return false;
    case CERT_RDN_T61_STRING:
        // Read as UTF-8 when it is (CryptoAPI's IE4 rule), as bytes otherwise.
        return (rdnFlags & CERT_RDN_DISABLE_IE4_UTF8_FLAG) || !text::isValidUtf8(bytes);
    default:
        return true;
    }
}

}  // namespace

std::u16string valueText(DWORD type, const CERT_RDN_VALUE_BLOB& value, DWORD rdnFlags, char16_t) {
    if (!value.pbData) return {};
    if (isHexText(type)) return hexText<char16_t>(value);
    return strings::textOf(type, {value.pbData, value.cbData}, rdnFlags);
}

std::string valueText(DWORD type, const CERT_RDN_VALUE_BLOB& value, DWORD rdnFlags, char) {
    if (!value.pbData) return {};
    if (isHexText(type)) return hexText<char>(value);
    const std::string_view bytes(reinterpret_cast<const char*>(value.pbData), value.cbData);
    if (keepsBytes(type, bytes, rdnFlags)) return std::string(bytes);
    return text::toNarrow(valueText(type, value, rdnFlags, char16_t{}));
}

}  // namespace platform::crypt::names

using namespace platform;
using namespace platform::crypt;

DWORD CertRDNValueToStrA(DWORD dwValueType, const CERT_RDN_VALUE_BLOB* pValue, LPSTR psz, DWORD csz) noexcept {
    return winValue<DWORD>(1, [&] {
        const std::string text = pValue ? names::valueText(dwValueType, *pValue, 0, char{}) : std::string();
        return names::putText(text, psz, csz);
    });
}

DWORD CertRDNValueToStrW(DWORD dwValueType, const CERT_RDN_VALUE_BLOB* pValue, LPWSTR psz, DWORD csz) noexcept {
    return winValue<DWORD>(1, [&] {
        const std::u16string text = pValue ? names::valueText(dwValueType, *pValue, 0, char16_t{}) : std::u16string();
        return names::putText(text, psz, csz);
    });
}
