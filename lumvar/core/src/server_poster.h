// Posts one request document to the update server and returns its reply,
// parsed and validated.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "lumvar/protocol_requests.h"
#include "server_reply.h"

namespace lumvar {

class RequestPoster {
public:
    // The longest reply taken; a longer announcement fails before reading.
    static constexpr std::uint32_t kMaxReply = 512u << 20;
    // The whole exchange, from the send to the reply read and validated.
    static constexpr std::chrono::milliseconds kDeadline = std::chrono::minutes(30);

    RequestPoster(std::u16string agentName, std::string address, std::chrono::milliseconds deadline = kDeadline);

    // Loads the schema, then POSTs the body. Throws HTTPSException for a
    // failed step of the exchange (a reply without Content-Length, or one
    // longer than it announced, fails too; so does an exchange whose reply
    // is not read and validated by the deadline, with ERROR_INTERNET_TIMEOUT)
    // and XMLException for the schema or the reply. The HTTP status is not
    // judged: an error document comes with any status.
    ServerReply post(const ReplyProgress& progress, const std::string& body, const std::string& schemaFile);

private:
    std::u16string m_agentName;
    std::string m_address;
    std::chrono::milliseconds m_deadline;
};

}  // namespace lumvar
