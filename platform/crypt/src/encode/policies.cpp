// X509_CERT_POLICIES (2.5.29.32): SEQUENCE OF PolicyInformation { policyIdentifier,
// policyQualifiers SEQUENCE OF { id, qualifier ANY } OPTIONAL }, the
// qualifiers kept as they stand; and X509_PKIX_POLICY_QUALIFIER_USERNOTICE:
// UserNotice { noticeRef { organization, noticeNumbers } OPTIONAL,
// explicitText OPTIONAL } (RFC 5280 4.2.1.4). CryptoAPI writes the
// organization as a VisibleString and the explicit text as a BMPString.
#include <algorithm>

#include "encode/codecs.h"
#include "encode/string_values.h"
#include "platform/text.h"

namespace platform::crypt::codecs {

namespace {

der::Bytes qualifier(const CERT_POLICY_QUALIFIER_INFO& q) {
    const der::View value = view(q.Qualifier);
    if (value.empty()) return der::wrap(der::kSequence, {der::oid(required(q.pszPolicyQualifierId))});
    return der::wrap(der::kSequence, {der::oid(required(q.pszPolicyQualifierId)), der::raw(value)});
}

der::Bytes policy(const CERT_POLICY_INFO& p) {
    const der::Bytes id = der::oid(required(p.pszPolicyIdentifier));
    if (!p.cPolicyQualifier) return der::wrap(der::kSequence, {id});
    der::Bytes qualifiers;
    for (const CERT_POLICY_QUALIFIER_INFO& q : items(p.rgPolicyQualifier, p.cPolicyQualifier)) {
        const der::Bytes one = qualifier(q);
        der::concat(qualifiers, one);
    }
    return der::wrap(der::kSequence, {id, der::encode(der::kSequence, qualifiers)});
}

void readPolicy(const der::Element& e, Decoding& d, CERT_POLICY_INFO& p) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "PolicyInformation expected");
    der::Reader r(e.content);
    p.pszPolicyIdentifier = d.oid(r.read(der::kOid));
    if (!r.atEnd()) {
        der::Reader qualifiers = r.enter(der::kSequence);
        p.cPolicyQualifier = qualifiers.countLeft();
        p.rgPolicyQualifier = d.make<CERT_POLICY_QUALIFIER_INFO>(p.cPolicyQualifier);
        for (DWORD i = 0; i < p.cPolicyQualifier; ++i) {
            der::Reader q = qualifiers.enter(der::kSequence);
            p.rgPolicyQualifier[i].pszPolicyQualifierId = d.oid(q.read(der::kOid));
            if (!q.atEnd()) p.rgPolicyQualifier[i].Qualifier = d.bytes(q.read().encoded);
            q.finish();
        }
    }
    r.finish();
}

// Visible characters as a VisibleString; other text (in the ANSI page) as UTF-8.
der::Bytes organization(std::string_view ansi) {
    const auto asBytes = [](std::string_view t) {
        return der::View(reinterpret_cast<const BYTE*>(t.data()), t.size());
    };
    if (std::all_of(ansi.begin(), ansi.end(), [](char c) { return c >= 0x20 && c <= 0x7E; }))
        return der::encode(der::kVisibleString, asBytes(ansi));
    return der::encode(der::kUtf8String, asBytes(text::ansiToUtf8(ansi)));
}

der::Bytes bmpText(LPCWSTR text) {
    der::Bytes content;
    for (std::size_t i = 0; text[i]; ++i) {
        content.push_back(static_cast<BYTE>(text[i] >> 8));
        content.push_back(static_cast<BYTE>(text[i]));
    }
    return der::encode(der::kBmpString, content);
}

}  // namespace

der::Bytes encodeCertPolicies(const void* info, const Encoding&) {
    const auto& policies = record<CERT_POLICIES_INFO>(info);
    der::Bytes content;
    for (const CERT_POLICY_INFO& p : items(policies.rgPolicyInfo, policies.cPolicyInfo)) {
        const der::Bytes one = policy(p);
        der::concat(content, one);
    }
    return der::encode(der::kSequence, content);
}

void decodeCertPolicies(der::View input, Decoding& d) {
    auto& policies = *d.make<CERT_POLICIES_INFO>();
    der::Reader r(der::readOuter(input, der::kSequence).content);
    policies.cPolicyInfo = r.countLeft();
    policies.rgPolicyInfo = d.make<CERT_POLICY_INFO>(policies.cPolicyInfo);
    for (DWORD i = 0; i < policies.cPolicyInfo; ++i) readPolicy(r.read(), d, policies.rgPolicyInfo[i]);
}

der::Bytes encodeUserNotice(const void* info, const Encoding&) {
    const auto& notice = record<CERT_POLICY_QUALIFIER_USER_NOTICE>(info);
    der::Bytes content;
    if (const auto* ref = notice.pNoticeReference) {
        der::Bytes numbers;
        for (int n : items(ref->rgNoticeNumbers, ref->cNoticeNumbers)) {
            const der::Bytes number = der::integer(n);
            der::concat(numbers, number);
        }
        content = der::wrap(der::kSequence,
                            {organization(required(ref->pszOrganization)), der::encode(der::kSequence, numbers)});
    }
    if (notice.pszDisplayText) {
        const der::Bytes text = bmpText(notice.pszDisplayText);
        der::concat(content, text);
    }
    return der::encode(der::kSequence, content);
}

void decodeUserNotice(der::View input, Decoding& d) {
    auto& notice = *d.make<CERT_POLICY_QUALIFIER_USER_NOTICE>();
    der::Reader r(der::readOuter(input, der::kSequence).content);
    if (auto ref = r.readIf(der::kSequence)) {
        der::Reader parts(ref->content);
        auto* reference = d.make<CERT_POLICY_QUALIFIER_NOTICE_REFERENCE>();
        reference->pszOrganization = d.text(text::toNarrow(strings::wideOf(parts.read(), d.flags())));
        der::Reader numbers = parts.enter(der::kSequence);
        parts.finish();
        reference->cNoticeNumbers = numbers.countLeft();
        reference->rgNoticeNumbers = d.make<int>(reference->cNoticeNumbers);
        for (DWORD i = 0; i < reference->cNoticeNumbers; ++i)
            reference->rgNoticeNumbers[i] = der::int32Of(numbers.read(der::kInteger).content);
        notice.pNoticeReference = reference;
    }
    if (!r.atEnd()) notice.pszDisplayText = d.wide(strings::wideOf(r.read(), d.flags()));
    r.finish();
}

}  // namespace platform::crypt::codecs
