// CertGetNameStringA / W: a certificate's subject or issuer as one text, by
// the rules of each name type.
#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/boundary.h"
#include "platform/crypt_names.h"
#include "platform/text.h"
#include "store/decoded.h"
#include "store/name_text.h"
#include "store/references.h"
#include "store/store_lock.h"
#include "win32/crypt_names.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

// The name of one side of a certificate and the alternative names of that side.
class Side {
public:
    Side(const CERT_INFO& info, bool issuer) : m_name(issuer ? info.Issuer : info.Subject) {
        m_nameInfo = decodeObject<CERT_NAME_INFO>(X509_NAME, viewOf(m_name));
        const std::span<const LPCSTR> altNameOids = issuer ? std::span<const LPCSTR>(kIssuerAltNames)
                                                           : std::span<const LPCSTR>(kSubjectAltNames);
        for (const LPCSTR oid : altNameOids) {
            if (const auto* ext = CertFindExtension(oid, info.cExtension, info.rgExtension)) {
                // A damaged alternative-name extension must not hide the name itself.
                try {
                    m_altNames = decodeObject<CERT_ALT_NAME_INFO>(X509_ALTERNATE_NAME, viewOf(ext->Value));
                } catch (const WinError&) {
                }
                break;
            }
        }
    }

    const CERT_NAME_BLOB& name() const { return m_name; }
    bool nameIsEmpty() const { return m_nameInfo->cRDN == 0; }

    // The first value of the attribute in the name.
    std::optional<std::u16string> attribute(std::string_view oid) const {
        return attributeIn(*m_nameInfo, oid);
    }
    // The first value of the attribute in a directory name of the alternative names.
    std::optional<std::u16string> attributeInDirectoryNames(std::string_view oid) const {
        for (const auto& entry : altEntries()) {
            if (entry.dwAltNameChoice != CERT_ALT_NAME_DIRECTORY_NAME) continue;
            const auto info = decodeObject<CERT_NAME_INFO>(X509_NAME, viewOf(entry.DirectoryName));
            if (auto value = attributeIn(*info, oid)) return value;
        }
        return std::nullopt;
    }
    const CERT_NAME_BLOB* firstDirectoryName() const {
        for (const auto& entry : altEntries())
            if (entry.dwAltNameChoice == CERT_ALT_NAME_DIRECTORY_NAME) return &entry.DirectoryName;
        return nullptr;
    }
    std::optional<std::u16string> firstRfc822Name() const {
        for (const auto& entry : altEntries())
            if (entry.dwAltNameChoice == CERT_ALT_NAME_RFC822_NAME && entry.pwszRfc822Name)
                return std::u16string(entry.pwszRfc822Name, text::length(entry.pwszRfc822Name));
        return std::nullopt;
    }
    std::optional<std::u16string> firstAttribute() const {
        if (nameIsEmpty() || m_nameInfo->rgRDN[0].cRDNAttr == 0) return std::nullopt;
        return valueToText(m_nameInfo->rgRDN[0].rgRDNAttr[0]);
    }

private:
    static constexpr LPCSTR kSubjectAltNames[] = {szOID_SUBJECT_ALT_NAME2, szOID_SUBJECT_ALT_NAME};
    static constexpr LPCSTR kIssuerAltNames[] = {szOID_ISSUER_ALT_NAME2, szOID_ISSUER_ALT_NAME};

    static std::optional<std::u16string> attributeIn(const CERT_NAME_INFO& info, std::string_view oid) {
        for (DWORD r = 0; r < info.cRDN; ++r)
            for (DWORD a = 0; a < info.rgRDN[r].cRDNAttr; ++a)
                if (info.rgRDN[r].rgRDNAttr[a].pszObjId && oid == info.rgRDN[r].rgRDNAttr[a].pszObjId)
                    return valueToText(info.rgRDN[r].rgRDNAttr[a]);
        return std::nullopt;
    }
    std::span<const CERT_ALT_NAME_ENTRY> altEntries() const {
        if (!m_altNames) return {};
        return {m_altNames->rgAltEntry, m_altNames->cAltEntry};
    }

    const CERT_NAME_BLOB& m_name;
    Decoded<CERT_NAME_INFO> m_nameInfo;
    Decoded<CERT_ALT_NAME_INFO> m_altNames;
};

std::u16string simpleDisplay(const Side& side) {
    for (const std::string_view oid :
         {szOID_COMMON_NAME, szOID_ORGANIZATIONAL_UNIT_NAME, szOID_ORGANIZATION_NAME, szOID_RSA_emailAddr}) {
        if (auto value = side.attribute(oid)) return *value;
        if (auto value = side.attributeInDirectoryNames(oid)) return *value;
    }
    if (auto mail = side.firstRfc822Name()) return *mail;
    return side.firstAttribute().value_or(u"");
}

std::optional<std::u16string> friendlyName(PCCERT_CONTEXT context) {
    const auto element = referencedElement(context, Kind::Certificate);
    const Bytes* value = element ? element->properties.find(CERT_FRIENDLY_NAME_PROP_ID) : nullptr;
    if (!value || value->size() < 2) return std::nullopt;
    std::u16string name(value->size() / 2, u'\0');
    std::memcpy(name.data(), value->data(), name.size() * 2);
    name.resize(std::min(name.size(), name.find(u'\0')));
    if (name.empty()) return std::nullopt;
    return name;
}

std::u16string nameString(PCCERT_CONTEXT context, DWORD type, DWORD flags, const void* typePara) {
    if (!context || !context->pCertInfo) throw WinError(E_INVALIDARG, "no certificate");
    const bool issuer = (flags & CERT_NAME_ISSUER_FLAG) != 0;
    const Side side(*context->pCertInfo, issuer);
    switch (type) {
    case CERT_NAME_EMAIL_TYPE:
        if (auto mail = side.firstRfc822Name()) return *mail;
        return side.attribute(szOID_RSA_emailAddr).value_or(u"");
    case CERT_NAME_RDN_TYPE: {
        const DWORD strType = typePara ? *static_cast<const DWORD*>(typePara) : 0;
        const DWORD textFlags = flags & CERT_NAME_DISABLE_IE4_UTF8_FLAG ? CERT_NAME_STR_DISABLE_IE4_UTF8_FLAG : 0;
        const CERT_NAME_BLOB* name = &side.name();
        if (side.nameIsEmpty() && side.firstDirectoryName()) name = side.firstDirectoryName();
        return nameToText(*name, strType | textFlags);
    }
    case CERT_NAME_ATTR_TYPE: {
        if (!typePara) return u"";
        const std::string_view oid = static_cast<const char*>(typePara);
        if (side.nameIsEmpty()) return side.attributeInDirectoryNames(oid).value_or(u"");
        return side.attribute(oid).value_or(u"");
    }
    case CERT_NAME_FRIENDLY_DISPLAY_TYPE:
        if (!issuer)
            if (auto name = friendlyName(context)) return *name;
        return simpleDisplay(side);
    case CERT_NAME_SIMPLE_DISPLAY_TYPE:
        return simpleDisplay(side);
    default:
        return u"";
    }
}

// The Windows count: characters with the NUL; a null or empty buffer gets
// the size, a short one as much as fits, NUL-terminated.
template <class Char>
DWORD copyCut(std::basic_string_view<Char> value, Char* psz, DWORD csz) {
    if (!psz || csz == 0) return static_cast<DWORD>(value.size() + 1);
    const std::size_t count = std::min<std::size_t>(value.size(), csz - 1);
    std::memcpy(psz, value.data(), count * sizeof(Char));
    psz[count] = Char{};
    return static_cast<DWORD>(count + 1);
}

// A certificate whose names do not decode has no name: the empty text.
std::u16string nameStringOrEmpty(PCCERT_CONTEXT context, DWORD type, DWORD flags, const void* typePara) {
    const auto lock = lockStores();
    try {
        return nameString(context, type, flags, typePara);
    } catch (const WinError& e) {
        SetLastError(e.code());
        return u"";
    }
}

}  // namespace

DWORD CertGetNameStringW(PCCERT_CONTEXT pCertContext, DWORD dwType, DWORD dwFlags, void* pvTypePara,
                         LPWSTR pszNameString, DWORD cchNameString) noexcept {
    return winValue<DWORD>(1, [&] {
        const std::u16string name = nameStringOrEmpty(pCertContext, dwType, dwFlags, pvTypePara);
        return copyCut(std::u16string_view(name), pszNameString, cchNameString);
    });
}

DWORD CertGetNameStringA(PCCERT_CONTEXT pCertContext, DWORD dwType, DWORD dwFlags, void* pvTypePara,
                         LPSTR pszNameString, DWORD cchNameString) noexcept {
    return winValue<DWORD>(1, [&] {
        const std::string name = text::toNarrow(nameStringOrEmpty(pCertContext, dwType, dwFlags, pvTypePara));
        return copyCut(std::string_view(name), pszNameString, cchNameString);
    });
}

namespace platform::crypt {

std::u16string certificateName(PCCERT_CONTEXT certificate, DWORD type, DWORD flags, void* typePara) {
    std::u16string name(CertGetNameStringW(certificate, type, flags, typePara, nullptr, 0), u'\0');
    CertGetNameStringW(certificate, type, flags, typePara, name.data(), static_cast<DWORD>(name.size()));
    name.resize(text::length(name.c_str()));
    return name;
}

}  // namespace platform::crypt
