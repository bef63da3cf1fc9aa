#include "halvex/renew_client.h"

#include "lumvar/server_post.h"

namespace halvex {

ResponseException::ResponseException(std::string code, std::string message)
    : m_code(std::move(code)),
      m_message(std::move(message)),
      m_text("Request denied. Code: " + m_code + " : " + m_message + "\n") {}

RequestPoster::RequestPoster(std::string address, std::chrono::milliseconds deadline)
    : m_address(std::move(address)), m_deadline(deadline) {}

void RequestPoster::HttpsPost(const std::string& body) {
    lumvar::PostOptions options;
    options.agentName = u"Halvex";
    options.fixedPort = 443;
    options.needsContentLength = false;
    options.maxReply = kMaxReply;
    options.numberSteps = false;
    options.deadline = m_deadline;
    m_reply = lumvar::PostToServer(m_address, body, options);
}

}  // namespace halvex
