#include "testkit/connection_map.h"

#include <fstream>
#include <stdexcept>

#include "platform/paths.h"

namespace testkit {

void mapConnection(const std::string& host, std::uint16_t port, std::uint16_t localPort) {
    if (host.empty() || host.find_first_of(" \t\r\n#") != std::string::npos)
        throw std::invalid_argument("not a host name for the connection map: " + host);
    std::ofstream map(platform::paths::root() / "connection_map", std::ios::app | std::ios::binary);
    map << host << ' ' << port << " 127.0.0.1 " << localPort << '\n';
    if (!map.flush()) throw std::runtime_error("cannot write the connection map");
}

}  // namespace testkit
