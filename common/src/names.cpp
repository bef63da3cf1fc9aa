// names.cpp: distinguished names as attribute lists, the short names
// CryptoAPI gives attribute OIDs, and the compact name text of signatures.
#include "common/names.h"

#include <cctype>

#include "ansi_text.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "win32/crypt_names.h"
#include "win32/crypt_oid.h"

namespace {

// CertRDNValueToStrA's buffer, in characters.
constexpr DWORD kValueTextRoom = 1023;

}  // namespace

DWORD TCryptoapi::DecodeObject(const CERT_NAME_BLOB& name, std::vector<TRDNAttr>& out) {
    const DecodedObject decoded(X509_NAME, name, CRYPT_DECODE_NOCOPY_FLAG);
    if (!decoded) return 0;
    const std::size_t before = out.size();
    RdnValueToString(decoded.as<CERT_NAME_INFO>(), out);
    return out.size() > before ? 1 : 0;
}

DWORD TCryptoapi::RdnValueToString(const CERT_NAME_INFO& name, std::vector<TRDNAttr>& out) {
    for (DWORD r = 0; r < name.cRDN; ++r) {
        const CERT_RDN& rdn = name.rgRDN[r];
        for (DWORD a = 0; a < rdn.cRDNAttr; ++a) {
            const CERT_RDN_ATTR& attr = rdn.rgRDNAttr[a];
            if (!attr.pszObjId) continue;
            char text[kValueTextRoom] = {};
            if (CertRDNValueToStrA(attr.dwValueType, &attr.Value, text, kValueTextRoom) == 0) continue;
            out.emplace_back(attr.pszObjId, attr.dwValueType, text);
        }
    }
    return out.empty() ? 0 : 1;
}

std::string TCryptoapi::GetRdnShortName(const std::string& oid, bool lowerCase) {
    PCCRYPT_OID_INFO info =
        CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(oid.c_str()), CRYPT_RDN_ATTR_OID_GROUP_ID);
    if (!info) return {};
    std::string name = AnsiFromWide(info->pwszName);
    if (lowerCase)
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string RdnListToDnText(const std::vector<TRDNAttr>& attributes) {
    std::string text;
    for (auto it = attributes.rbegin(); it != attributes.rend(); ++it) {
        if (!text.empty()) text += ",";
        text += TCryptoapi::GetRdnShortName(it->oid, true) + "=" + it->value;
    }
    return text;
}
