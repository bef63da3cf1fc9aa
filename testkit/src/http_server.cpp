#include "testkit/http_server.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

namespace {

constexpr const char* kPython = "/usr/bin/python3";

std::filesystem::path scriptPath() { return std::filesystem::path(TESTKIT_SCRIPTS_DIR) / "http_server.py"; }

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string unhex(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return out;
}

// A JSON string; bytes are taken as Latin-1, as the script sends them.
std::string json(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const char* faultName(HttpReply::Fault fault) {
    switch (fault) {
    case HttpReply::Fault::None: return "";
    case HttpReply::Fault::Close: return "close";
    case HttpReply::Fault::Reset: return "reset";
    case HttpReply::Fault::ResetMidBody: return "reset_mid_body";
    case HttpReply::Fault::Raw: return "raw";
    }
    return "";
}

std::string json(const HttpReply& r) {
    std::ostringstream out;
    out << "{\"status\":" << r.status << ",\"reason\":" << json(r.reason) << ",\"headers\":[";
    for (std::size_t i = 0; i < r.headers.size(); ++i)
        out << (i ? "," : "") << "[" << json(r.headers[i].first) << "," << json(r.headers[i].second) << "]";
    out << "],\"body_hex\":\"" << hex(r.body) << "\"";
    if (r.generatedSize) out << ",\"generate\":" << r.generatedSize;
    if (r.echo) out << ",\"echo\":true";
    if (!r.contentLength) out << ",\"no_content_length\":true";
    out << ",\"delay_ms\":" << r.delay.count() << ",\"drip_ms\":" << r.drip.count()
        << ",\"drip_bytes\":" << r.dripBytes;
    if (r.dripHead) out << ",\"drip_head\":true";
    out << ",\"fault\":\"" << faultName(r.fault) << "\",\"raw_hex\":\"" << hex(r.raw) << "\"}";
    return out.str();
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

HttpReply HttpReply::text(int status, std::string body, std::string contentType) {
    HttpReply r;
    r.status = status;
    r.reason = status < 400 ? "OK" : "Error";
    r.headers = {{"Content-Type", std::move(contentType)}};
    r.body = std::move(body);
    return r;
}

std::string patternBody(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i % 251);
    return s;
}

std::vector<std::string> HttpRequestRecord::values(std::string_view name) const {
    std::vector<std::string> out;
    for (const auto& [n, v] : headers)
        if (equalsNoCase(n, name)) out.push_back(v);
    return out;
}

HttpServer::HttpServer(HttpServerOptions options)
    : m_folder(makeTemporaryFolder("testkit-http")), m_tls(options.tls.has_value()) {
    try {
        start(options);
    } catch (...) {
        m_service.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        throw;
    }
}

void HttpServer::start(const HttpServerOptions& options) {
    if (!std::filesystem::exists(kPython)) throw std::runtime_error(std::string("missing ") + kPython);
    writeScript();
    std::vector<std::string> argv = {kPython,     scriptPath().string(), "--port-file", (m_folder / "port").string(),
                                     "--script",  (m_folder / "script.json").string(),
                                     "--log",     (m_folder / "log").string()};
    if (options.tls) {
        const auto files = options.tls->write(m_folder, "server");
        argv.insert(argv.end(), {"--cert", files.certificatePem.string(), "--key", files.keyPem.string()});
    }
    if (options.clientCa) {
        writeFile(m_folder / "client-ca.pem", options.clientCa->pem());
        argv.insert(argv.end(), {"--client-ca", (m_folder / "client-ca.pem").string()});
    }
    if (options.proxy) argv.push_back("--proxy");
    if (!options.proxyCredentials.empty()) argv.insert(argv.end(), {"--proxy-credentials", options.proxyCredentials});
    if (!options.credentials.empty()) argv.insert(argv.end(), {"--credentials", options.credentials});
    m_service = std::make_unique<Service>(argv);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(m_folder / "port")) {
        if (!m_service->running() || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("the HTTP server did not start:\n" + m_service->log());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_port = static_cast<std::uint16_t>(std::stoi(readFile(m_folder / "port")));
}

HttpServer::~HttpServer() {
    m_service.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string HttpServer::url(std::string_view path) const {
    return (m_tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port) + std::string(path);
}

void HttpServer::route(const std::string& path, std::vector<HttpReply> replies) {
    if (replies.empty()) throw std::invalid_argument("a route needs a reply");
    m_routes[path] = std::move(replies);
    writeScript();
}

void HttpServer::fallback(HttpReply reply) {
    m_fallback = std::move(reply);
    writeScript();
}

void HttpServer::writeScript() const {
    std::ostringstream out;
    out << "{\"routes\":{";
    bool first = true;
    for (const auto& [path, replies] : m_routes) {
        out << (first ? "" : ",") << json(path) << ":[";
        for (std::size_t i = 0; i < replies.size(); ++i) out << (i ? "," : "") << json(replies[i]);
        out << "]";
        first = false;
    }
    out << "}";
    if (m_fallback) out << ",\"fallback\":" << json(*m_fallback);
    out << "}";
    // Written whole and renamed, so that the server never reads half a script.
    writeFile(m_folder / "script.json.tmp", out.str());
    std::filesystem::rename(m_folder / "script.json.tmp", m_folder / "script.json");
}

std::vector<std::map<std::string, std::vector<std::string>>> HttpServer::logLines() const {
    std::vector<std::map<std::string, std::vector<std::string>>> lines;
    std::ifstream in(m_folder / "log");
    std::string line;
    while (std::getline(in, line)) {
        std::map<std::string, std::vector<std::string>> fields;
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            const auto eq = word.find('=');
            if (eq != std::string::npos) fields[word.substr(0, eq)].push_back(unhex(word.substr(eq + 1)));
        }
        lines.push_back(std::move(fields));
    }
    return lines;
}

std::vector<HttpRequestRecord> HttpServer::requests() const {
    std::vector<HttpRequestRecord> out;
    for (auto& fields : logLines()) {
        const auto first = [&](const char* key) { return fields[key].empty() ? std::string() : fields[key].front(); };
        if (first("event") == "tls_error") continue;
        HttpRequestRecord r{first("event"), first("method"), first("target"), first("version")};
        for (const auto& h : fields["header"]) {
            const auto colon = h.find(": ");
            r.headers.emplace_back(h.substr(0, colon), colon == std::string::npos ? "" : h.substr(colon + 2));
        }
        r.body = first("body");
        r.length = std::stoul(first("length").empty() ? "0" : first("length"));
        r.clientCertificateCn = first("peer");
        out.push_back(std::move(r));
    }
    return out;
}

HttpRequestRecord HttpServer::lastRequest() const {
    auto all = requests();
    if (all.empty()) throw std::runtime_error("the server has had no request");
    return std::move(all.back());
}

std::size_t HttpServer::failedHandshakes() const {
    std::size_t n = 0;
    for (auto& fields : logLines())
        if (!fields["event"].empty() && fields["event"].front() == "tls_error") ++n;
    return n;
}

}  // namespace testkit
