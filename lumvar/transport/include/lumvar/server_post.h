// One POST of a request body to a server over the layer's WinINet, and its
// whole reply, read by the exchange's deadline. The upgrade client and the
// renewal program post alike and differ only in the options.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "lumvar/server_errors.h"

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
    // When the whole exchange must be over, from the send to the reply's
    // last byte and its reading as a document (ReadReplyDocument), besides
    // WinINet's limits on silence: a server that keeps sending too slowly,
    // or a reply that takes too long to read, is left when it passes.
    // Unset, the exchange has none.
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// POSTs the body ("Content-Type:text/plain", the address's path, reload,
// secure for "https") and reads the reply until it ends, whatever its HTTP
// status. Throws HTTPSException for a failed step: a step whose call fails,
// with the system's last error, or ERROR_INTERNET_INTERNAL_ERROR when the
// call leaves none; a step still under way at the deadline fails with
// ERROR_INTERNET_TIMEOUT and its text.
std::string PostToServer(const std::string& address, const std::string& body, const PostOptions& options);

// The exchange's time-out (ERROR_INTERNET_TIMEOUT and its text), as the read
// of the reply, its parsing included, reports it.
HTTPSException TimedOut(const PostOptions& options);

}  // namespace lumvar
