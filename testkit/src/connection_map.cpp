#include "testkit/connection_map.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/paths.h"
#include "testkit/platform_root.h"

namespace testkit {

void mapConnection(const std::string& host, std::uint16_t port, std::uint16_t localPort) {
    if (host.empty() || host.find_first_of(" \t\r\n#") != std::string::npos)
        throw std::invalid_argument("not a host name for the connection map: " + host);
    const auto file = platform::paths::root() / "connection_map";
    std::string kept;
    if (std::filesystem::exists(file)) {
        std::istringstream lines(readFile(file));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string name, mappedPort;
            words >> name >> mappedPort;
            if (name != host || mappedPort != std::to_string(port)) kept += line + "\n";
        }
    }
    writeFile(file, kept + host + " " + std::to_string(port) + " 127.0.0.1 " + std::to_string(localPort) + "\n");
}

}  // namespace testkit
