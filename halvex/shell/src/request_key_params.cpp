#include "request_key_params.h"

#include <algorithm>
#include <string_view>

namespace halvex {
namespace {

constexpr DWORD kNteExists = 0x8009000F;
constexpr DWORD kNteBadKeyset = 0x80090016;
constexpr DWORD kInvalidParameter = 0x57;
constexpr DWORD kNteFail = 0x80090020;
constexpr DWORD kNteTokenStorageFull = 0x80090023;
constexpr DWORD kNteUiRequired = 0x8009002E;
constexpr DWORD kUnknownMember = 0x800A01B6;
constexpr DWORD kScardNoAccess = 0x80100027;
constexpr DWORD kScardCancelledByUser = 0x8010006E;

struct ErrorMessage {
    DWORD error;
    int message;
};

constexpr ErrorMessage kZintraErrors[] = {
    {kNteBadKeyset, 4019}, {kInvalidParameter, 4045}, {kNteFail, 4022},  {kNteTokenStorageFull, 4021},
    {kNteUiRequired, 4020}, {kUnknownMember, 4024},   {kScardCancelledByUser, 4023},
};
constexpr ErrorMessage kDravikErrors[] = {
    {kNteExists, 4019},     {kNteBadKeyset, 4019}, {kNteFail, 4021},           {kNteTokenStorageFull, 4021},
    {kNteUiRequired, 4020}, {kScardNoAccess, 4023}, {kScardCancelledByUser, 4023},
};
constexpr ErrorMessage kOtherErrors[] = {
    {kNteExists, 4019},     {kNteBadKeyset, 4019},         {kNteFail, 4026}, {kNteTokenStorageFull, 4021},
    {kNteUiRequired, 4020}, {kScardCancelledByUser, 4023},
};

// A typed name takes the place of the subject's own one of its kind, so
// the request carries each name once.
void PutName(RequestAttrs& subject, std::u16string_view oid, DWORD stringType, const std::u16string& value) {
    const auto own =
        std::find_if(subject.begin(), subject.end(), [&](const RequestAttr& attr) { return attr.oid == oid; });
    if (own == subject.end())
        subject.push_back({std::u16string(oid), stringType, value});
    else
        own->value = value;
}

template <std::size_t N>
int Lookup(const ErrorMessage (&table)[N], DWORD error, int defaultId) {
    const auto found = std::find_if(std::begin(table), std::end(table),
                                    [error](const ErrorMessage& entry) { return entry.error == error; });
    return found == std::end(table) ? defaultId : found->message;
}

}  // namespace

LONG RequestKeySpec(const TCertRequest& request, bool secondary) {
    if (request.kind & kKindParvelPair)
        return !secondary && (request.kind & kKindQualified) ? kKeySpecSignature : kKeySpecExchange;
    return !secondary && request.GetKeyUsage() == 3 ? kKeySpecSignature : kKeySpecExchange;
}

RequestKeyParams BuildRequestKeyParams(const TCertRequest& request, bool secondary, const TCSPManager& providers) {
    RequestKeyParams params;
    params.subject = request.certificate.subject;
    params.altNames = request.certificate.altNames;
    params.extKeyUsage = request.certificate.extKeyUsage;
    const RequestCertificate& certificate = request.certificate;
    if (!certificate.givenName.empty() && !certificate.surname.empty()) {
        PutName(params.subject, u"2.5.4.42", request.subjectStringType, certificate.givenName);
        PutName(params.subject, u"2.5.4.4", request.subjectStringType, certificate.surname);
    }
    params.provider = request.provider.name;
    const auto listed = std::find_if(request.providerList.begin(), request.providerList.end(),
                                     [&](const TCryptProviderW& entry) { return entry.name == params.provider; });
    // A request without a list of its own (the authentication request)
    // keeps the type of its provider's record, taken from the key's
    // provider: under another type the provider may lack SHA-256.
    if (listed != request.providerList.end())
        params.providerType = static_cast<LONG>(listed->type);
    else if (request.provider.type != 0)
        params.providerType = static_cast<LONG>(request.provider.type);
    params.container = secondary ? request.secondContainer : request.firstContainer;
    params.genKeyFlags = static_cast<LONG>((static_cast<DWORD>(request.keyLength) << 16) |
                                           (request.exportableKey ? 1u : 0u) | (request.strongProtection ? 2u : 0u));
    params.keySpec = RequestKeySpec(request, secondary);
    params.keyUsage = request.GetKeyUsage();
    if (!secondary)
        params.generateKey = request.firstKeyOption;
    else
        params.generateKey = !((request.kind & kKindParvelPair) &&
                               providers.HasFlags(params.provider, kProviderParvelNative)) &&
                             request.furtherKeyOption;
    params.signatureAlgorithm = request.GetHashAlgorithm();
    return params;
}

int MapCspError(const std::u16string& provider, DWORD error, int defaultId) {
    if (provider.find(u"Zintra CSP") != std::u16string::npos) return Lookup(kZintraErrors, error, defaultId);
    if (provider.find(u"Tesk Dravik CSP v1.0") != std::u16string::npos) return Lookup(kDravikErrors, error, defaultId);
    return Lookup(kOtherErrors, error, defaultId);
}

DWORD ProviderError(HRESULT result) {
    const DWORD status = static_cast<DWORD>(result);
    return (status & 0xFFFF0000u) == 0x80070000u ? status & 0xFFFFu : status;
}

}  // namespace halvex
