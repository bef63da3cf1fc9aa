// der_time.h: the two time forms as DER writes them.
#pragma once

#include <string_view>

namespace asn1view {

// UTCTime "YYMMDDhhmmssZ"; GeneralizedTime "YYYYMMDDhhmmssZ", or with a
// fraction of the second after a ".", without trailing zeros, as time
// stamps carry it ("20261210063500.125Z").
bool IsDerTime(std::string_view text, bool utc);

}  // namespace asn1view
