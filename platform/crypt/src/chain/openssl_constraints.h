// OpenSSL's verdicts on name constraints along a path (RFC 5280 section
// 4.2.1.10) and on its certificate policies (section 6.1, from anyPolicy as
// the initial set), in plain C++ types:
// OpenSSL's declarations and ours must not meet in one translation unit
// (both name X509_NAME and friends).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform::crypt::chain::openssl {

enum class ConstraintFault { NotPermitted, Excluded, NotSupported, Policy };

struct Finding {
    std::size_t index;  // the certificate on the path; policy findings are the end certificate's
    ConstraintFault fault;
};

// `path` holds the DER of each certificate, the end certificate first; its
// last one is taken as the anchor. Nothing is found for a path OpenSSL
// cannot read.
std::vector<Finding> constraintFindings(const std::vector<std::span<const std::uint8_t>>& path, std::int64_t unixTime);

}  // namespace platform::crypt::chain::openssl
