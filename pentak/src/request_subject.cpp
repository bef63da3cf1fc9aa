// CEnroll: the subject of the request, one RDN per attribute.
#include <algorithm>
#include <array>

#include "encode_steps.h"
#include "enroll.h"
#include "request_values.h"

namespace {

// Under application profile 1 the country and the serial number are
// printable strings, the e-mail address an IA5 string and the usual name
// attributes UTF-8 strings, whatever the session's string type.
constexpr std::array<std::string_view, 2> kPrintableOids = {"2.5.4.6", "2.5.4.5"};
constexpr std::string_view kEmailOid = "1.2.840.113549.1.9.1";
constexpr std::array<std::string_view, 12> kUtf8Oids = {"2.5.4.3",  "2.5.4.8",  "2.5.4.7",  "2.5.4.10",
                                                        "2.5.4.11", "2.5.4.43", "2.5.4.41", "2.5.4.42",
                                                        "2.5.4.12", "2.5.4.44", "2.5.4.4",  "2.5.4.65"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& oids, std::string_view oid) {
    return std::find(oids.begin(), oids.end(), oid) != oids.end();
}

DWORD subjectStringType(sgAppProfile profile, DWORD attributeStringType, std::string_view oid) {
    if (profile != sgAppProfileQuib_CP31) return attributeStringType;
    if (listed(kPrintableOids, oid)) return CERT_RDN_PRINTABLE_STRING;
    if (oid == kEmailOid) return CERT_RDN_IA5_STRING;
    if (listed(kUtf8Oids, oid)) return CERT_RDN_UTF8_STRING;
    return attributeStringType;
}

}  // namespace

BOOL CEnroll::AddSubjectAttribute(std::string_view oid, std::u16string_view value) {
    if (!IsOidArgument(oid)) return FALSE;
    SubjectAttribute attribute{std::string(oid), subjectStringType(m_applicationProfile, m_attributeStringType, oid),
                               {}};
    if (!ValueBytes(value, attribute.valueType, attribute.value)) return FALSE;
    m_subjectAttributes.push_back(std::move(attribute));
    return TRUE;
}

BOOL CEnroll::RemoveSubjectAttribute(std::string_view oid) {
    if (!oid.data()) return FALSE;
    std::erase_if(m_subjectAttributes, [&](const SubjectAttribute& a) { return a.oid == oid; });
    return TRUE;
}
