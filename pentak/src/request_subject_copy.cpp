// CEnroll: the subject of the request taken over from certificates, each
// attribute with the string type the certificate gave it.
#include <algorithm>

#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "common/pem.h"
#include "enroll.h"
#include "win32/crypt_names.h"
#include "win32/error.h"
#include "win32/error_codes.h"

namespace {

struct NameAttribute {
    std::string oid;
    DWORD valueType = 0;
    std::u16string value;
};
using NameAttributes = std::vector<NameAttribute>;

struct PersonalNames {
    std::u16string_view givenName;
    std::u16string_view surname;
};

constexpr DWORD kCertificateTextFlags = 6;  // Base64, with or without PEM armour
constexpr std::string_view kSerialNumberOid = "2.5.4.5";
constexpr std::string_view kGivenNameOid = "2.5.4.42";
constexpr std::string_view kSurnameOid = "2.5.4.4";
// Serial numbers this system gave earlier certificates; a request never
// carries them over.
constexpr std::u16string_view kOwnSerialPrefix = u"Tesk - ";

// The value as wide text, so that no character is lost on the way.
std::u16string textOf(const CERT_RDN_ATTR& attribute) {
    const DWORD size = CertRDNValueToStrW(attribute.dwValueType, &attribute.Value, nullptr, 0);
    std::u16string text(size, u'\0');
    CertRDNValueToStrW(attribute.dwValueType, &attribute.Value, text.data(), size);
    text.resize(size > 0 ? size - 1 : 0);
    return text;
}

bool copied(const NameAttribute& attribute) {
    if (attribute.oid.empty()) return false;
    return !(attribute.oid == kSerialNumberOid && attribute.value.starts_with(kOwnSerialPrefix));
}

// The subject attributes of the certificate that a request takes over, in
// the certificate's order.
bool subjectOf(std::u16string_view certificate, NameAttributes& out) {
    std::vector<BYTE> der;
    if (!TAsn1Coder::StringToBinary(std::u16string(certificate), der, kCertificateTextFlags)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const OwnedCertContext context(
        CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
    if (!context) return false;
    const DecodedObject decoded(X509_NAME, context->pCertInfo->Subject);
    if (!decoded) return false;
    const auto& name = decoded.as<CERT_NAME_INFO>();
    NameAttributes attributes;
    for (DWORD r = 0; r < name.cRDN; ++r) {
        for (DWORD a = 0; a < name.rgRDN[r].cRDNAttr; ++a) {
            const CERT_RDN_ATTR& attribute = name.rgRDN[r].rgRDNAttr[a];
            NameAttribute entry{attribute.pszObjId ? attribute.pszObjId : "", attribute.dwValueType,
                                textOf(attribute)};
            if (copied(entry)) attributes.push_back(std::move(entry));
        }
    }
    out = std::move(attributes);
    return true;
}

DWORD lastErrorCode() { return CEnroll::ResultFromStatus(false, GetLastError()); }

bool hasGivenName(const NameAttributes& attributes) {
    return std::any_of(attributes.begin(), attributes.end(),
                       [](const NameAttribute& a) { return a.oid == kGivenNameOid; });
}

// Appends the attributes, each under its own string type, and with personal
// names the given name and surname when the attributes lack a given name.
// Stops at the first that fails.
DWORD appendToSubject(CEnroll& session, const NameAttributes& attributes, const PersonalNames* personal) {
    const bool addNames = personal && !hasGivenName(attributes);
    if (addNames && (personal->givenName.empty() || personal->surname.empty())) return ERROR_INVALID_PARAMETER;
    for (const NameAttribute& attribute : attributes) {
        session.SetAttributeStringType(attribute.valueType);
        if (!session.AddSubjectAttribute(attribute.oid, attribute.value)) return lastErrorCode();
    }
    if (!addNames) return 0;
    session.SetAttributeStringType(CERT_RDN_UTF8_STRING);
    if (!session.AddSubjectAttribute(kGivenNameOid, personal->givenName) ||
        !session.AddSubjectAttribute(kSurnameOid, personal->surname))
        return lastErrorCode();
    return 0;
}

DWORD copySubject(CEnroll& session, std::u16string_view certificate, const PersonalNames* personal) {
    if (certificate.empty()) return ERROR_INVALID_PARAMETER;
    NameAttributes attributes;
    if (!subjectOf(certificate, attributes)) return lastErrorCode();
    return appendToSubject(session, attributes, personal);
}

std::vector<std::string_view> splitAtCommas(std::string_view list) {
    std::vector<std::string_view> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = list.find(',', start);
        items.push_back(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return items;
        start = comma + 1;
    }
}

}  // namespace

DWORD CEnroll::X509SubjectToReqTesk(std::u16string_view certificate) {
    return copySubject(*this, certificate, nullptr);
}

DWORD CEnroll::X509SubjectToPersonalReqTesk(std::u16string_view certificate, std::u16string_view givenName,
                                            std::u16string_view surname) {
    const PersonalNames names{givenName, surname};
    return copySubject(*this, certificate, &names);
}

DWORD CEnroll::X509MergeSubjectToPersonalReqTesk(std::u16string_view master, std::u16string_view copy,
                                                 std::string_view oidList, std::u16string_view givenName,
                                                 std::u16string_view surname) {
    const PersonalNames names{givenName, surname};
    if (copy.empty() || oidList.empty()) return copySubject(*this, master, &names);
    if (master.empty()) return ERROR_INVALID_PARAMETER;
    NameAttributes fromMaster, fromCopy;
    if (!subjectOf(master, fromMaster) || !subjectOf(copy, fromCopy)) return lastErrorCode();
    const std::vector<std::string_view> taken = splitAtCommas(oidList);
    const auto isTaken = [&](const NameAttribute& a) {
        return std::find(taken.begin(), taken.end(), a.oid) != taken.end();
    };
    NameAttributes merged;
    std::copy_if(fromCopy.begin(), fromCopy.end(), std::back_inserter(merged), isTaken);
    std::copy_if(fromMaster.begin(), fromMaster.end(), std::back_inserter(merged),
                 [&](const NameAttribute& a) { return !isTaken(a); });
    return appendToSubject(*this, merged, &names);
}
