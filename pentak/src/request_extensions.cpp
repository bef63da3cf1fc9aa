// CEnroll: the extensions a request asks for (key usage, extended key usage,
// policies, alternative names, CRL distribution points, free extensions),
// collected until the request is built. Under application profile 1 only
// some may be asked for.
#include <algorithm>
#include <array>
#include <cstdio>

#include "encode_steps.h"
#include "enroll.h"
#include "my_error.h"
#include "platform/text.h"
#include "request_values.h"
#include "win32/error.h"
#include "win32/error_codes.h"

namespace {

// What a profile check is about (numbers as the diagnostic text shows them).
enum class Requested : int { ExtKeyUsage = 0, Policy = 1, CrlDistPoint = 2, AltName = 3, Extension = 4 };

constexpr DWORD kKeyUsageBits = 20;
constexpr std::string_view kUserPrincipalNameOid = "1.3.6.1.4.1.311.20.2.3";
constexpr std::array<std::string_view, 6> kProfileUsages = {"2.5.29.37.0",       "1.3.6.1.5.5.7.3.1",
                                                            "1.3.6.1.5.5.7.3.2", "1.3.6.1.5.5.7.3.4",
                                                            "1.3.6.1.5.5.7.3.3", "1.3.6.1.4.1.311.20.2.2"};
// Key usage, extended key usage, subject alternative name.
constexpr std::array<std::string_view, 3> kProfileExtensions = {"2.5.29.15", "2.5.29.37", "2.5.29.17"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& oids, std::string_view oid) {
    return std::find(oids.begin(), oids.end(), oid) != oids.end();
}

bool allowedUnderProfile(Requested kind, std::string_view oid, DWORD altNameType) {
    switch (kind) {
    case Requested::ExtKeyUsage: return listed(kProfileUsages, oid);
    case Requested::Policy:
    case Requested::CrlDistPoint: return false;
    case Requested::AltName:
        if (altNameType == CERT_ALT_NAME_OTHER_NAME) return oid == kUserPrincipalNameOid;
        return altNameType == CERT_ALT_NAME_RFC822_NAME || altNameType == CERT_ALT_NAME_DNS_NAME ||
               altNameType == CERT_ALT_NAME_URL || altNameType == CERT_ALT_NAME_IP_ADDRESS;
    case Requested::Extension: return listed(kProfileExtensions, oid);
    }
    return false;
}

// Whether the profile lets the item into the request; a refusal is noted
// in the diagnostic text.
bool profileAllows(sgAppProfile profile, Requested kind, std::string_view oid = {}, DWORD altNameType = 0) {
    if (profile != sgAppProfileQuib_CP31 || allowedUnderProfile(kind, oid, altNameType)) return true;
    char note[32];
    std::snprintf(note, sizeof note, "Not allowed (%d,%d)", static_cast<int>(profile), static_cast<int>(kind));
    ReportError(1, 0, note, "Enroll", 6666);
    return false;
}

bool failed(DWORD error, int line) {
    SetLastError(error);
    return FailedAt(line);
}

// "a.b.c.d", each part a decimal number 0 to 255, as its four bytes.
bool parseIpAddress(std::u16string_view text, std::vector<BYTE>& out) {
    std::vector<BYTE> bytes;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && (at >= text.size() || text[at++] != u'.')) return false;
        unsigned value = 0;
        const std::size_t start = at;
        for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
            value = value * 10 + (text[at] - u'0');
            if (value > 255) return false;
        }
        if (at == start) return false;
        bytes.push_back(static_cast<BYTE>(value));
    }
    if (at != text.size()) return false;
    out = std::move(bytes);
    return true;
}

// An other name: its OID and its value encoded as a name value of the type.
bool makeOtherName(std::string_view oid, std::u16string_view value, DWORD stringType, AltNameEntry& entry) {
    if (!IsOidArgument(oid)) return false;
    std::vector<BYTE> bytes;
    if (!ValueBytes(value, stringType, bytes)) return false;
    const CERT_NAME_VALUE nameValue{stringType, {static_cast<DWORD>(bytes.size()), bytes.data()}};
    entry.oid = oid;
    return EncodeStep(X509_NAME_VALUE, &nameValue, entry.value, 2429, 2431);
}

// The alternative-name entry of a CERT_ALT_NAME_* choice; an other name's
// text is its OID, its value empty.
bool makeAltNameEntry(DWORD type, std::u16string_view text, DWORD stringType, AltNameEntry& entry) {
    if (type < CERT_ALT_NAME_OTHER_NAME || type > CERT_ALT_NAME_REGISTERED_ID)
        return failed(ERROR_INVALID_PARAMETER, 2456);
    entry.choice = type;
    switch (type) {
    case CERT_ALT_NAME_X400_ADDRESS:
    case CERT_ALT_NAME_DIRECTORY_NAME:
    case CERT_ALT_NAME_EDI_PARTY_NAME: return failed(ERROR_UNSUPPORTED_TYPE, 2451);
    case CERT_ALT_NAME_OTHER_NAME:
        return makeOtherName(platform::text::toNarrow(text), {}, stringType, entry);
    case CERT_ALT_NAME_IP_ADDRESS:
        return parseIpAddress(text, entry.value) || failed(ERROR_INVALID_PARAMETER, 2401);
    case CERT_ALT_NAME_REGISTERED_ID:
        entry.oid = platform::text::toNarrow(text);
        return IsOidArgument(entry.oid);
    default: entry.text = text; return true;
    }
}

// The OID appended to the list, when the profile allows it.
BOOL addOid(sgAppProfile profile, Requested kind, std::string_view oid, std::vector<std::string>& list) {
    if (!profileAllows(profile, kind, oid)) return TRUE;
    if (!IsOidArgument(oid)) return FALSE;
    list.emplace_back(oid);
    return TRUE;
}

// The alternative name appended to the list, when the profile allows it.
BOOL addAltName(sgAppProfile profile, Requested kind, DWORD type, std::u16string_view text, DWORD stringType,
                std::vector<AltNameEntry>& list) {
    if (!profileAllows(profile, kind, {}, type)) return TRUE;
    AltNameEntry entry;
    if (!makeAltNameEntry(type, text, stringType, entry)) return FALSE;
    list.push_back(std::move(entry));
    return TRUE;
}

}  // namespace

BOOL CEnroll::RequestedExtension_KeyUsage_SetBit(DWORD bit) {
    if (bit >= kKeyUsageBits) return failed(ERROR_INVALID_PARAMETER, 2187);
    m_keyUsageBits[bit / 8] |= static_cast<BYTE>(0x80 >> (bit % 8));
    return TRUE;
}

BOOL CEnroll::RequestedExtension_KeyUsage_Reset() {
    m_keyUsageBits.fill(0);
    return TRUE;
}

BOOL CEnroll::RequestedExtension_ExtKeyUsage_AddOid(std::string_view oid) {
    return addOid(m_applicationProfile, Requested::ExtKeyUsage, oid, m_extKeyUsageOids);
}

BOOL CEnroll::RequestedExtension_CertPolicies_AddOid(std::string_view oid) {
    return addOid(m_applicationProfile, Requested::Policy, oid, m_certPolicyOids);
}

BOOL CEnroll::RequestedExtension_SubjectAltName_Add(DWORD type, std::u16string_view text) {
    return addAltName(m_applicationProfile, Requested::AltName, type, text, m_attributeStringType, m_subjectAltNames);
}

BOOL CEnroll::RequestedExtension_SubjectAltName_OtherName_Add(std::string_view oid, std::u16string_view value) {
    if (!profileAllows(m_applicationProfile, Requested::AltName, oid, CERT_ALT_NAME_OTHER_NAME)) return TRUE;
    // Under the profile a user principal name is always a UTF-8 string.
    const bool utf8 = m_applicationProfile == sgAppProfileQuib_CP31 && oid == kUserPrincipalNameOid;
    AltNameEntry entry{CERT_ALT_NAME_OTHER_NAME, {}, {}, {}};
    if (!makeOtherName(oid, value, utf8 ? CERT_RDN_UTF8_STRING : m_attributeStringType, entry)) return FALSE;
    m_subjectAltNames.push_back(std::move(entry));
    return TRUE;
}

BOOL CEnroll::RequestedExtension_CRLDistributionPoint_Add(DWORD type, std::u16string_view text) {
    return addAltName(m_applicationProfile, Requested::CrlDistPoint, type, text, m_attributeStringType,
                      m_crlDistPoints);
}

BOOL CEnroll::RequestedExtension_SetCritical(std::string_view oid, BOOL critical) {
    if (!profileAllows(m_applicationProfile, Requested::Extension, oid)) return TRUE;
    if (!IsOidArgument(oid)) return FALSE;
    m_requestedExtensions[std::string(oid)].critical = critical;
    return TRUE;
}

BOOL CEnroll::RequestedExtension_Add(std::string_view oid, BOOL critical, std::string_view hex) {
    if (!profileAllows(m_applicationProfile, Requested::Extension, oid)) return TRUE;
    if (!IsOidArgument(oid)) return FALSE;
    std::vector<BYTE> value = HexToBytes(hex);
    if (value.empty()) return failed(ERROR_INVALID_PARAMETER, 3230);
    m_requestedExtensions[std::string(oid)] = {critical, std::move(value)};
    return TRUE;
}
