// Entries of the layer's connection map (PLATFORM_ROOT/connection_map): a
// program that names host:port reaches a local server instead, while the
// server's certificate is still checked against the host name.
#pragma once

#include <cstdint>
#include <string>

namespace testkit {

// Sends connections to host:port to 127.0.0.1:localPort in the map of the
// current platform root, replacing an entry for the same host and port.
void mapConnection(const std::string& host, std::uint16_t port, std::uint16_t localPort);

}  // namespace testkit
