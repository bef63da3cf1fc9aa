#include "chain/constraint_check.h"

#include "chain/openssl_constraints.h"
#include "platform/clock.h"

namespace platform::crypt::chain {

namespace {

DWORD bitsOf(openssl::ConstraintFault fault) {
    switch (fault) {
    case openssl::ConstraintFault::NotPermitted:
        return CERT_TRUST_INVALID_NAME_CONSTRAINTS | CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT;
    case openssl::ConstraintFault::Excluded:
        return CERT_TRUST_INVALID_NAME_CONSTRAINTS | CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT;
    case openssl::ConstraintFault::NotSupported:
        return CERT_TRUST_INVALID_NAME_CONSTRAINTS | CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT;
    case openssl::ConstraintFault::Policy:
        break;
    }
    return CERT_TRUST_INVALID_POLICY_CONSTRAINTS;
}

}  // namespace

void addConstraintErrors(const Path& path, ULONGLONG checkTime, Statuses& statuses) {
    std::vector<std::span<const std::uint8_t>> ders;
    for (const Link& link : path.links) ders.emplace_back(link.cert->pbCertEncoded, link.cert->cbCertEncoded);
    const auto ticks = static_cast<long long>(checkTime) - static_cast<long long>(clock::kUnixEpochAsFileTime);
    for (const openssl::Finding& f : openssl::constraintFindings(ders, ticks / 10000000))
        statuses[f.index].dwErrorStatus |= bitsOf(f.fault);
}

}  // namespace platform::crypt::chain
