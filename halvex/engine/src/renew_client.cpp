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
    m_exchange.agentName = u"Halvex";
    m_exchange.fixedPort = 443;
    m_exchange.needsContentLength = false;
    m_exchange.maxReply = kMaxReply;
    m_exchange.numberSteps = false;
    m_exchange.deadline = std::chrono::steady_clock::now() + m_deadline;
    m_reply = lumvar::PostToServer(m_address, body, m_exchange);
}

std::vector<IssuedRequest> RequestPoster::Issued() const { return ParseRenewResponse(m_reply, m_exchange); }

}  // namespace halvex
