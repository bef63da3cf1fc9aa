// Name constraints and certificate policies along the path (RFC 5280
// sections 4.2.1.10 and 6.1), judged by OpenSSL's path validation over exactly
// the certificates of the path. Only its verdicts on these two are taken;
// everything else the engine decides itself.
#pragma once

#include "chain/element_checks.h"

namespace platform::crypt::chain {

void addConstraintErrors(const Path& path, ULONGLONG checkTime, Statuses& statuses);

}  // namespace platform::crypt::chain
