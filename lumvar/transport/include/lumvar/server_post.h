// One POST of a request body to a server over the layer's WinINet, and its
// whole reply. The upgrade client and the renewal program post alike and
// differ only in the options.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace lumvar {

struct PostOptions {
    std::u16string agentName;
    // The port connected to instead of the address's own (or its scheme's).
    std::optional<std::uint16_t> fixedPort;
    // Whether a reply must announce its length (Content-Length); a reply
    // longer than it announced fails either way.
    bool needsContentLength = true;
    // The longest reply taken; a longer one fails.
    std::uint32_t maxReply = 512u << 20;
    // Whether HTTPSException names the failed step ("Line: ").
    bool numberSteps = true;
    // Called after each piece read with the announced length (0 when not
    // asked for) and the bytes received so far.
    std::function<void(std::uint32_t announced, std::uint32_t received)> progress;
    // The whole exchange, from the send to the reply's last byte, besides
    // WinINet's limits on silence: a server that keeps sending too slowly
    // is left when it passes.
    std::chrono::milliseconds deadline = std::chrono::minutes(30);
};

// POSTs the body ("Content-Type:text/plain", the address's path, reload,
// secure for "https") and reads the reply until it ends, whatever its HTTP
// status. Throws HTTPSException for a failed step: a step whose call fails,
// with the system's last error, or ERROR_INTERNET_INTERNAL_ERROR when the
// call leaves none; a step still under way at the deadline fails with
// ERROR_INTERNET_TIMEOUT and its text.
std::string PostToServer(const std::string& address, const std::string& body, const PostOptions& options);

}  // namespace lumvar
