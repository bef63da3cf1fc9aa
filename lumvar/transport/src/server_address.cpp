#include "lumvar/server_address.h"

#include <cctype>
#include <cstdlib>

namespace lumvar {

namespace {

bool isHttps(const std::string& scheme) {
    static const char kHttps[] = "https";
    if (scheme.size() != sizeof kHttps - 1) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(scheme[i])) != kHttps[i]) return false;
    return true;
}

}  // namespace

ServerAddress SplitServerAddress(const std::string& address) {
    ServerAddress out;
    out.secure = isHttps(address.substr(0, address.find(':')));
    out.port = out.secure ? 443 : 80;

    const std::size_t slash = address.find('/');
    const std::size_t hostStart = slash == std::string::npos ? address.size() : std::min(slash + 2, address.size());
    const std::size_t pathSlash = address.find('/', hostStart);
    const std::size_t hostEnd = pathSlash == std::string::npos ? address.size() : pathSlash;
    const std::size_t colon = address.find(':', hostStart);
    if (colon != std::string::npos && colon < hostEnd) {
        out.host = address.substr(hostStart, colon - hostStart);
        out.port = static_cast<std::uint16_t>(std::atoi(address.c_str() + colon + 1));
    } else {
        out.host = address.substr(hostStart, hostEnd - hostStart);
    }
    if (pathSlash != std::string::npos) out.objectPath = address.substr(pathSlash + 1);
    return out;
}

}  // namespace lumvar
