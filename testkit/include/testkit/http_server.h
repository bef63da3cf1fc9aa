// An HTTP or HTTPS server on 127.0.0.1 with scripted replies, or a small
// forwarding proxy, for the length of a test. It runs testkit's
// scripts/http_server.py under /usr/bin/python3 (one thread per
// connection, one request per connection) and records every request it gets.
// Replies may be changed at any time; the next request sees the change.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testkit/pki.h"

namespace testkit {

class Service;

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct HttpReply {
    enum class Fault {
        None,
        Close,         // the connection is closed without a reply
        Reset,         // the connection is reset (RST) instead of a reply
        ResetMidBody,  // reset after half the body
        Raw,           // `raw` is sent instead of a reply, then the connection is closed
    };

    int status = 200;
    std::string reason = "OK";
    HeaderList headers;  // Content-Type defaults to application/octet-stream
    std::string body;
    std::size_t generatedSize = 0;  // when set: patternBody(generatedSize) instead of body
    bool echo = false;              // the request's body instead of body
    bool contentLength = true;      // without it, the body ends when the connection closes
    std::chrono::milliseconds delay{0};  // before anything is sent
    std::chrono::milliseconds drip{0};   // pause after every dripBytes of the body
    std::size_t dripBytes = 1;
    bool dripHead = false;               // the status line and headers drip too
    Fault fault = Fault::None;
    std::string raw;

    static HttpReply text(int status, std::string body, std::string contentType = "text/plain");
};

// Byte i is i % 251: big bodies that can be checked without keeping a copy.
std::string patternBody(std::size_t size);

struct HttpRequestRecord {
    std::string event;  // "request"; a proxy also records "forward" for what it passed on
    std::string method, target, version;
    HeaderList headers;
    std::string body;  // bodies over 2 MiB are not kept; `length` still counts them
    std::size_t length = 0;
    std::string clientCertificateCn;

    // Every value of the header, matched without regard to case.
    std::vector<std::string> values(std::string_view name) const;
};

struct HttpServerOptions {
    std::optional<pki::Credential> tls;        // HTTPS with this certificate (sent alone) and key
    std::optional<pki::Certificate> clientCa;  // HTTPS requiring a client certificate that chains to this root
    bool proxy = false;                        // a forwarding proxy instead of a server
    std::string proxyCredentials;              // "user:password" a proxy demands (Basic), else none
    std::string credentials;                   // "user:password" a server demands (Basic, 401), else none
};

class HttpServer {
public:
    explicit HttpServer(HttpServerOptions options = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    std::uint16_t port() const noexcept { return m_port; }
    // "http://127.0.0.1:<port><path>", or https with a certificate.
    std::string url(std::string_view path = "/") const;

    // The replies for a path (the query is ignored), used in turn; the last repeats.
    void route(const std::string& path, std::vector<HttpReply> replies);
    void route(const std::string& path, HttpReply reply) { route(path, std::vector<HttpReply>{std::move(reply)}); }
    // For paths without a route; 404 by default.
    void fallback(HttpReply reply);

    // The requests so far, oldest first, and the handshakes that failed.
    std::vector<HttpRequestRecord> requests() const;
    // The latest request; std::runtime_error when there is none yet.
    HttpRequestRecord lastRequest() const;
    std::size_t failedHandshakes() const;

private:
    void start(const HttpServerOptions& options);
    void writeScript() const;
    std::vector<std::map<std::string, std::vector<std::string>>> logLines() const;

    std::filesystem::path m_folder;
    bool m_tls = false;
    std::map<std::string, std::vector<HttpReply>> m_routes;
    std::optional<HttpReply> m_fallback;
    std::unique_ptr<Service> m_service;
    std::uint16_t m_port = 0;
};

}  // namespace testkit
