// The renewal-server client: one HTTPS POST of a signed renewal request and
// the reading of the server's XML reply.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "lumvar/server_errors.h"
#include "lumvar/server_post.h"

namespace halvex {

// The transport's failures; what() has no "Line: " here.
using HTTPSException = lumvar::HTTPSException;
// A reply that cannot be used; what() is one of ParseRenewResponse's texts.
using XMLException = lumvar::XMLException;

// The server refused the request: what() is
// "Request denied. Code: <code> : <message>\n".
class ResponseException : public std::exception {
public:
    ResponseException(std::string code, std::string message);
    const char* what() const noexcept override { return m_text.c_str(); }
    const std::string& code() const noexcept { return m_code; }
    const std::string& message() const noexcept { return m_message; }

private:
    std::string m_code;
    std::string m_message;
    std::string m_text;
};

// One certificate's request number as the server issued it.
struct IssuedRequest {
    std::string caType;
    std::string number;
};

class RequestPoster {
public:
    // The longest reply taken.
    static constexpr std::uint32_t kMaxReply = 1u << 20;
    // The whole exchange, however the server paces its bytes.
    static constexpr std::chrono::milliseconds kDeadline = std::chrono::minutes(2);

    // "https://host/path"; a port in the address is not used.
    explicit RequestPoster(std::string address, std::chrono::milliseconds deadline = kDeadline);

    // POSTs the body as "text/plain" with the agent "Halvex" to the
    // address's host on port 443 and keeps the whole reply, however many
    // reads it takes. Throws HTTPSException for a failed step, an
    // untrusted server certificate, a reply over kMaxReply bytes, or an
    // exchange not done by the deadline (ERROR_INTERNET_TIMEOUT, its text).
    void HttpsPost(const std::string& body);
    const std::string& Reply() const noexcept { return m_reply; }
    // The reply's request numbers (ParseRenewResponse), read by the same
    // deadline as the reply itself.
    std::vector<IssuedRequest> Issued() const;

private:
    std::string m_address;
    std::chrono::milliseconds m_deadline;
    lumvar::PostOptions m_exchange;
    std::string m_reply;
};

// The request numbers of an accepting reply (Body status "ok"), one per
// ReqID element with its ca_type, in document order; none when the reply
// has no ReqID. Texts are UTF-8, trimmed of CR, LF, blanks and tabs.
// Throws ResponseException for a refusal (status "error", with its
// Error/Code and Error/Message, "No message." without one) and
// XMLException for a reply that is not well-formed, has no status or
// another status, a ReqID without ca_type or text, or a refusal without a
// code. The parser loads nothing from outside, and a reply that declares an
// entity is not well-formed here, so no reference is ever expanded. Reading
// counts against the exchange's deadline: HTTPSException (TimedOut) once it
// has passed.
std::vector<IssuedRequest> ParseRenewResponse(const std::string& reply, const lumvar::PostOptions& exchange = {});

}  // namespace halvex
