// The realm a server or proxy names when it demands credentials
// (WWW-Authenticate, Proxy-Authenticate; RFC 7235 section 2.1), for the
// login question.
#pragma once

#include <string>
#include <string_view>

#include "transfer.h"

namespace platform::inet {

// The value of the first "realm" parameter of a challenge header's value,
// quoted or not, with its quoting undone; empty when there is none. Bytes
// that are not UTF-8 come back as U+FFFD.
std::string realmOf(std::string_view challenge);

// The realm of the first header of that name that names one.
std::string realmOf(const HeaderList& headers, std::string_view headerName);

}  // namespace platform::inet
