// Whether two encoded distinguished names name the same entity, as path
// validation compares an issuer name with a subject name (RFC 5280 section
// 7.1): equal bytes, or the same RDNs in the same order, each with the same
// attributes in any order. Text values match after case folding and with
// leading, trailing and repeated white space ignored, whichever of the
// directory string types (or IA5 and visible strings) holds them; other
// values match by type and bytes. A name that does not decode matches only
// its own bytes.
#pragma once

#include <optional>
#include <string>

#include "store/bytes.h"

namespace platform::crypt::chain {

// One name compared with many.
class NameMatcher {
public:
    explicit NameMatcher(store::View name);
    bool matches(store::View other) const;

private:
    store::Bytes m_bytes;
    std::optional<std::u16string> m_prepared;  // nullopt: the name does not decode
};

bool sameName(store::View a, store::View b);

}  // namespace platform::crypt::chain
