// The connection map: a hosts-like file under the platform root that sends
// a named host and port to a local address and port. Only the socket goes
// elsewhere; the request still names its host and a server certificate is
// still checked against that name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::inet {

struct MappedConnection {
    std::string address;  // an IPv4 or IPv6 literal
    std::uint16_t port = 0;
};

// Where a connection to host:port goes, read from PLATFORM_ROOT/connection_map
// at every call; nothing when the file is absent or names no such pair.
// Lines: "<host> <port> <address> <port>", blanks or tabs between, '#'
// starts a comment line; hosts match without regard to case. Throws
// WinError (ERROR_INTERNET_INTERNAL_ERROR) for a file that cannot be read
// or a line that is not such an entry, so no connection goes to a place
// the map did not mean.
std::optional<MappedConnection> mappedConnection(const std::string& host, std::uint16_t port);

}  // namespace platform::inet
