// The proxy a request goes through, from its session's access type and
// WinINet proxy list.
#pragma once

#include <string_view>

#include "handles.h"

namespace platform::inet {

ProxySetting proxySettingOf(const Session& session, const Options& options, bool secure);

// The list's entry for a scheme ("http" or "https") as a proxy URL
// "http://host:port", or empty when the scheme goes direct.
std::string proxyForScheme(std::string_view list, std::string_view scheme);

}  // namespace platform::inet
