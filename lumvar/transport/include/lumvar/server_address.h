// The update server's address split into what a connection needs.
#pragma once

#include <cstdint>
#include <string>

namespace lumvar {

struct ServerAddress {
    bool secure = false;      // the scheme is "https", in any case
    std::string host;
    std::uint16_t port = 80;  // given after the host, else 443 or 80
    std::string objectPath;   // what follows the host's '/', without it
};

// "scheme://host[:port]/path". A ':' inside the path never makes a port.
ServerAddress SplitServerAddress(const std::string& address);

}  // namespace lumvar
