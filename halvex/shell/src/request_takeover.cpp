#include "request_takeover.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "halvex/request_subject_rules.h"
#include "platform/text.h"

namespace halvex {
namespace {

constexpr char16_t kGivenNameOid[] = u"2.5.4.42";
constexpr char16_t kSurnameOid[] = u"2.5.4.4";
constexpr char16_t kSerialNumberOid[] = u"2.5.4.5";
constexpr char16_t kOrganizationOid[] = u"2.5.4.10";
constexpr char16_t kEmailAltName[] = u"2";  // rfc822Name
constexpr DWORD kAuthenticationKind = kKindCommercial | kKindLawyerCardPair;

// The certificate's key-usage byte as the request's five flags.
void TakeKeyUsage(TCertRequest& request, BYTE usage) {
    request.keyUsage[0] = (usage & 0x80) != 0;  // digital signature
    request.keyUsage[1] = (usage & 0x40) != 0;  // non-repudiation
    request.keyUsage[2] = (usage & 0x20) != 0;  // key encipherment
    request.keyUsage[3] = (usage & 0x10) != 0;  // data encipherment
    request.keyUsage[4] = (usage & 0x08) != 0;  // key agreement
}

void AllKeyUsages(TCertRequest& request) {
    for (bool& usage : request.keyUsage) usage = true;
    request.strongProtection = true;
}

RequestAttrs AsRequestAttrs(const std::vector<TRDNAttrW>& attributes) {
    RequestAttrs out;
    for (const TRDNAttrW& attribute : attributes) out.push_back({attribute.oid, attribute.valueType, attribute.value});
    return out;
}

// The identifier's serial number: the first holding a birth number, else
// the first holding an identity card or passport number, else the first.
std::u16string IdentifierSerial(const RequestAttrs& subject) {
    std::vector<std::u16string> serials;
    for (const RequestAttr& attr : subject)
        if (attr.oid == kSerialNumberOid) serials.push_back(attr.value);
    const auto firstHolding = [&](std::initializer_list<std::u16string_view> parts) -> const std::u16string* {
        for (const std::u16string& serial : serials)
            for (const std::u16string_view part : parts)
                if (serial.find(part) != std::u16string::npos) return &serial;
        return nullptr;
    };
    if (const std::u16string* birthNumber = firstHolding({u"PNO"})) return *birthNumber;
    if (const std::u16string* document = firstHolding({u"IDC", u"PAS"})) return *document;
    return serials.empty() ? std::u16string() : serials.front();
}

std::u16string LastOrganization(const RequestAttrs& subject) {
    std::u16string found;
    for (const RequestAttr& attr : subject)
        if (attr.oid == kOrganizationOid && attr.value.find(u"MANDANT") == std::u16string::npos) found = attr.value;
    return found;
}

void TakeOver(TCertRequest& request, const CertInfo& certificate, DWORD kind) {
    request.SetRequestKind(kind);
    request.provider.name = certificate.providerName;
    request.provider.type = certificate.providerType;
    // The certificate itself signs the renewal request.
    request.certificate.pem = certificate.pem;
    request.certificate.subject = AsRequestAttrs(certificate.subjectAttributes);
    NormalizeIdentifierSerials(request.certificate.subject);
    if (certificate.type1) MoveMandantSerial(request.certificate.subject);
    if (certificate.authorityFamily) AddOrganizationIdentifier(request.certificate.subject);
    request.certificate.altNames = AsRequestAttrs(certificate.altNames);
    request.certificate.extKeyUsage = AsRequestAttrs(certificate.extendedKeyUsages);
    request.keyLength = request.NormalizeKeyLength(static_cast<int>(certificate.keyLength));
    request.keyPair = TCertRequest::JoinPair(platform::text::fromUtf8(std::to_string(request.keyLength)),
                                             platform::text::fromUtf8(std::to_string(request.ValidityMonths())));
    request.FilterAltNames();
    request.FilterExtKeyUsage();
}

}  // namespace

DWORD QualifiedRenewalKind(const CertInfo& qualified, bool pairRequested, bool lawyerPair) {
    DWORD kind = kKindQualified;
    if (pairRequested)
        kind |= kKindParvelPair;
    else if (qualified.authorityFamily)
        kind |= kKindAuthorityFamily;
    return kind | kKindRenewal | (lawyerPair ? kKindLawyerCardPair : 0);
}

void TakeOverQualified(TCertRequest& request, const CertInfo& certificate, DWORD kind) {
    TakeOver(request, certificate, kind);
    TakeKeyUsage(request, certificate.keyUsage);
    // A certificate without an identifier offers to add one.
    request.hasIdentifier = !request.GetSerialNumber().empty();
}

void TakeOverCommercial(TCertRequest& request, const CertInfo& certificate, DWORD kind) {
    TakeOver(request, certificate, kind);
    AllKeyUsages(request);
    const bool hasEmail = std::any_of(request.certificate.altNames.begin(), request.certificate.altNames.end(),
                                      [](const RequestAttr& name) { return name.oid == kEmailAltName; });
    if (!hasEmail && !certificate.email.empty())
        request.certificate.altNames.push_back({kEmailAltName, 0, certificate.email});
}

void BuildAuthenticationRequest(TCertRequest& request, const CertInfo& qualified) {
    request.SetRequestKind(kAuthenticationKind);
    AllKeyUsages(request);
    request.provider.name = qualified.providerName;
    request.provider.type = qualified.providerType;
    request.keyLength = request.NormalizeKeyLength(static_cast<int>(qualified.keyLength));
    // The identifier spelled as in the qualified certificate's own request.
    RequestAttrs subject = AsRequestAttrs(qualified.subjectAttributes);
    NormalizeIdentifierSerials(subject);
    request.certificate = {};
    AddBasicSubject(request.certificate.subject,
                    u"AUT " + SubjectValue(qualified, kGivenNameOid) + u" " + SubjectValue(qualified, kSurnameOid),
                    IdentifierSerial(subject), u"", LastOrganization(subject), SubjectCountry(subject));
}

std::u16string SubjectValue(const CertInfo& certificate, std::u16string_view oid) {
    for (const TRDNAttrW& attribute : certificate.subjectAttributes)
        if (attribute.oid == oid) return attribute.value;
    return {};
}

void CopyMissingNames(CertInfo& to, const CertInfo& from) {
    if (!SubjectValue(to, kGivenNameOid).empty() || !SubjectValue(to, kSurnameOid).empty()) return;
    const std::u16string given = SubjectValue(from, kGivenNameOid);
    const std::u16string surname = SubjectValue(from, kSurnameOid);
    if (given.empty() || surname.empty()) return;
    to.subjectAttributes.emplace_back(kGivenNameOid, kUtf8StringType, given);
    to.subjectAttributes.emplace_back(kSurnameOid, kUtf8StringType, surname);
}

}  // namespace halvex
