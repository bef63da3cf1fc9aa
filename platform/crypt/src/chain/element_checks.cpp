// element_checks.cpp: what each certificate's own fields say about it and
// its place on the path.
#include "chain/element_checks.h"

#include "chain/basic_constraints.h"
#include "chain/validity.h"

namespace platform::crypt::chain {

namespace {

using store::ticksOf;

DWORD matchBits(IssuerMatch match) {
    switch (match) {
    case IssuerMatch::Exact:
        return CERT_TRUST_HAS_EXACT_MATCH_ISSUER;
    case IssuerMatch::Key:
        return CERT_TRUST_HAS_KEY_MATCH_ISSUER;
    case IssuerMatch::Name:
        return CERT_TRUST_HAS_NAME_MATCH_ISSUER;
    case IssuerMatch::None:
        break;
    }
    return 0;
}

bool nestedIn(const CERT_INFO& subject, const CERT_INFO& issuer) {
    return ticksOf(issuer.NotBefore) <= ticksOf(subject.NotBefore) &&
           ticksOf(subject.NotAfter) <= ticksOf(issuer.NotAfter);
}

// A self-signed root without basic constraints passes, as old version 1
// roots have none.
bool caRightsHold(const Path& path, std::size_t index) {
    std::vector<PCCERT_CONTEXT> certs;
    for (const Link& link : path.links) certs.push_back(link.cert.get());
    const bool isRoot = path.complete() && index + 1 == path.links.size();
    return mayActAsCa(certs, index, path.links[index].facts.basicConstraints, isRoot);
}

// A CA whose key usage is stated must be allowed to sign certificates.
bool mayIssue(const Link& link) {
    return !link.facts.keyUsage || (*link.facts.keyUsage & CERT_KEY_CERT_SIGN_KEY_USAGE);
}

DWORD errorsOf(const Path& path, std::size_t index, ULONGLONG checkTime) {
    const Link& link = path.links[index];
    const CERT_INFO& info = *link.cert->pCertInfo;
    const bool last = index + 1 == path.links.size();
    DWORD errors = 0;
    if (!validAt(info, checkTime)) errors |= CERT_TRUST_IS_NOT_TIME_VALID;
    if (!last && !nestedIn(info, *path.links[index + 1].cert->pCertInfo)) errors |= CERT_TRUST_IS_NOT_TIME_NESTED;
    if (!link.signatureValid) errors |= CERT_TRUST_IS_NOT_SIGNATURE_VALID;
    if (link.facts.invalidExtension) errors |= CERT_TRUST_INVALID_EXTENSION;
    if (index > 0 && !caRightsHold(path, index)) errors |= CERT_TRUST_INVALID_BASIC_CONSTRAINTS;
    if (index > 0 && !mayIssue(link)) errors |= CERT_TRUST_IS_NOT_VALID_FOR_USAGE;
    if (last && path.end == PathEnd::UntrustedRoot) errors |= CERT_TRUST_IS_UNTRUSTED_ROOT;
    if (last && path.end == PathEnd::Cycle) errors |= CERT_TRUST_IS_CYCLIC;
    return errors;
}

DWORD infoOf(const Path& path, std::size_t index) {
    const bool last = index + 1 == path.links.size();
    DWORD info = matchBits(path.links[index].issuerMatch);
    if (last && path.complete()) info |= CERT_TRUST_IS_SELF_SIGNED;
    if (path.end == PathEnd::TrustedRoot) info |= CERT_TRUST_HAS_PREFERRED_ISSUER;
    return info;
}

}  // namespace

Statuses checkElements(const Path& path, ULONGLONG checkTime) {
    Statuses statuses;
    for (std::size_t i = 0; i < path.links.size(); ++i)
        statuses.push_back({errorsOf(path, i, checkTime), infoOf(path, i)});
    return statuses;
}

DWORD chainOnlyErrors(const Path& path) {
    return path.complete() ? 0 : CERT_TRUST_IS_PARTIAL_CHAIN;
}

}  // namespace platform::crypt::chain
