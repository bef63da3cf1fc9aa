// curl_transfer.cpp: one request over libcurl's multi interface, driven by
// the caller: the reply's head is awaited at the send, and the body is
// pulled as the caller reads. While the caller does not read, the transfer
// is paused, so no more than a small window of the body is ever held.
#include <curl/curl.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "connection_map.h"
#include "curl_errors.h"
#include "platform/owned.h"
#include "platform/win_error.h"
#include "tls_context.h"
#include "transfer.h"

namespace platform::inet {

namespace {

using Easy = Owned<CURL, curl_easy_cleanup>;
using Multi = Owned<CURLM, curl_multi_cleanup>;
using Slist = Owned<curl_slist, curl_slist_free_all>;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kWindow = 64 * 1024;   // body bytes held for the reader
constexpr std::size_t kMaxHead = 64 * 1024;  // status line and headers of one reply

void initialiseCurl() {
    static const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (rc != CURLE_OK) throw WinError(ERROR_INTERNET_INTERNAL_ERROR, "curl_global_init failed");
}

// The host (IPv6 without its brackets) and port a URL names, the scheme's
// port when it names none.
struct UrlTarget {
    std::string host;
    std::uint16_t port = 0;
};

UrlTarget targetOf(const std::string& url) {
    UrlTarget target;
    CURLU* parts = curl_url();
    char* host = nullptr;
    char* port = nullptr;
    if (parts && curl_url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parts, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parts, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
        target.host = host;
        if (target.host.size() > 2 && target.host.front() == '[') target.host = target.host.substr(1, target.host.size() - 2);
        target.port = static_cast<std::uint16_t>(std::strtoul(port, nullptr, 10));
    }
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parts);
    return target;
}

std::optional<Clock::duration> limitOf(DWORD ms) {
    if (ms == 0 || ms == 0xFFFFFFFFu) return std::nullopt;
    return std::chrono::milliseconds(ms);
}

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(first, last - first + 1));
}

class CurlTransfer final : public Transfer {
public:
    explicit CurlTransfer(TransferSpec spec);
    ~CurlTransfer() override;

    const ReplyHead& head() const noexcept override { return m_head; }
    DWORD read(BYTE* buffer, DWORD size, DWORD receiveMs) override;
    DWORD available(DWORD receiveMs) override;

    void awaitHead();

private:
    void endIfCancelled();
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static CURLcode onSslContext(CURL*, void* sslCtx, void* self);

    void configure();
    void headLine(std::string_view line);
    // Lets libcurl work until it has news or the deadline passes; records the end.
    void step(Clock::time_point deadline);
    void perform();
    enum class BodyState { Held, Ended, Failed, Stalled };
    BodyState awaitBody(std::optional<Clock::duration> receive);
    [[noreturn]] void failBody(BodyState state);
    bool connected() const;
    void noteUpload();
    [[noreturn]] void fail(DWORD code, const std::string& what);
    [[noreturn]] void failFromCurl();
    std::size_t held() const noexcept { return m_window.size() - m_windowStart; }

    TransferSpec m_spec;
    std::optional<TlsState> m_tls;
    Multi m_multi;
    Easy m_easy;
    Slist m_headerList;
    Slist m_connectTo;
    char m_errorText[CURL_ERROR_SIZE] = {};

    ReplyHead m_head;       // the reply being read, complete once m_headDone
    bool m_headDone = false;
    std::size_t m_headBytes = 0;
    bool m_headTooLarge = false;

    std::vector<BYTE> m_window;
    std::size_t m_windowStart = 0;
    bool m_paused = false;

    bool m_ended = false;        // libcurl has finished, m_result says how
    CURLcode m_result = CURLE_OK;
    DWORD m_failure = 0;         // set once the transfer has failed for good

    Clock::time_point m_lastActivity = Clock::now();
    curl_off_t m_uploaded = 0;
    bool m_sawConnection = false;
    std::optional<Clock::time_point> m_headDeadline;
};

CurlTransfer::CurlTransfer(TransferSpec spec) : m_spec(std::move(spec)) {
    initialiseCurl();
    m_multi.reset(curl_multi_init());
    m_easy.reset(curl_easy_init());
    if (!m_multi || !m_easy) throw WinError(ERROR_NOT_ENOUGH_MEMORY, "libcurl handles");
    configure();
    if (curl_multi_add_handle(m_multi.get(), m_easy.get()) != CURLM_OK)
        throw WinError(ERROR_INTERNET_INTERNAL_ERROR, "curl_multi_add_handle");
}

CurlTransfer::~CurlTransfer() {
    if (m_multi && m_easy) curl_multi_remove_handle(m_multi.get(), m_easy.get());
}

void CurlTransfer::configure() {
    CURL* e = m_easy.get();
    const auto& s = m_spec;
    curl_easy_setopt(e, CURLOPT_URL, s.url.c_str());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_errorText);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, s.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(e, CURLOPT_USERAGENT, s.userAgent.c_str());
    if (s.method == "GET") {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, s.body.data());
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(s.body.size()));
        if (s.method != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, s.method.c_str());
    }

    // Only the caller's headers: libcurl's own defaults for these are turned off.
    bool hasAccept = false, hasType = false;
    const auto add = [&](const std::string& line) {
        curl_slist* list = curl_slist_append(m_headerList.get(), line.c_str());
        if (!list) throw WinError(ERROR_NOT_ENOUGH_MEMORY, "header list");
        if (!m_headerList) m_headerList.reset(list);
    };
    for (const auto& [name, value] : s.headers) {
        hasAccept |= strcasecmp(name.c_str(), "Accept") == 0;
        hasType |= strcasecmp(name.c_str(), "Content-Type") == 0;
        // "Name;" is libcurl's way to send a header with an empty value.
        add(value.empty() ? name + ";" : name + ": " + value);
    }
    if (!hasAccept) add("Accept:");
    if (!hasType) add("Content-Type:");
    add("Expect:");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, m_headerList.get());

    switch (s.proxy.mode) {
    case ProxySetting::Mode::System:
        break;  // libcurl reads http_proxy, https_proxy and no_proxy
    case ProxySetting::Mode::Direct:
        curl_easy_setopt(e, CURLOPT_PROXY, "");
        break;
    case ProxySetting::Mode::Fixed:
        curl_easy_setopt(e, CURLOPT_PROXY, s.proxy.url.c_str());
        curl_easy_setopt(e, CURLOPT_NOPROXY, s.proxy.bypass.c_str());
        break;
    }
    if (!s.proxy.user.empty() || !s.proxy.password.empty()) {
        curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, s.proxy.user.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, s.proxy.password.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    }
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (!s.user.empty() || !s.password.empty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, s.user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, s.password.c_str());
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    }

    if (const auto connect = limitOf(s.timeouts.connectMs))
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(*connect).count()));

    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);

    const UrlTarget target = targetOf(s.url);
    if (const auto mapped = mappedConnection(target.host, target.port)) {
        // The local server is reached directly, never through a proxy.
        const auto literal = [](const std::string& h) { return h.find(':') == std::string::npos ? h : "[" + h + "]"; };
        const std::string entry = literal(target.host) + ":" + std::to_string(target.port) + ":" +
                                  literal(mapped->address) + ":" + std::to_string(mapped->port);
        m_connectTo.reset(curl_slist_append(nullptr, entry.c_str()));
        if (!m_connectTo) throw WinError(ERROR_NOT_ENOUGH_MEMORY, "connection map entry");
        curl_easy_setopt(e, CURLOPT_CONNECT_TO, m_connectTo.get());
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    }

    if (s.tls) {
        m_tls.emplace();
        m_tls->setting = &*m_spec.tls;
        m_tls->host = target.host;
        // Verification is ours (tls_verify.cpp), against the certificate stores.
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_SESSIONID_CACHE, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, onSslContext);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, this);
    }
}

CURLcode CurlTransfer::onSslContext(CURL*, void* sslCtx, void* self) {
    auto* t = static_cast<CurlTransfer*>(self);
    return prepareTlsContext(sslCtx, *t->m_tls) ? CURLE_OK : CURLE_SSL_CERTPROBLEM;
}

size_t CurlTransfer::onHeader(char* data, size_t size, size_t count, void* self) {
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t n = size * count;
    t->m_lastActivity = Clock::now();
    t->m_headBytes += n;
    if (t->m_headBytes > kMaxHead) {
        t->m_headTooLarge = true;
        return 0;  // libcurl aborts the transfer
    }
    if (!t->m_headDone) t->headLine({data, n});
    return n;
}

void CurlTransfer::headLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.rfind("HTTP/", 0) == 0) {
        // A new reply (after a 1xx interim one): its own status and headers.
        m_head = {};
        m_headBytes = line.size();
        const auto space = line.find(' ');
        if (space != std::string_view::npos) {
            m_head.status = static_cast<DWORD>(std::strtoul(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10));
            if (line.size() > space + 5) m_head.statusText = trimmed(line.substr(space + 5));
        }
    } else if (line.empty()) {
        m_headDone = m_head.status >= 200;
    } else if ((line.front() == ' ' || line.front() == '\t') && !m_head.headers.empty()) {
        m_head.headers.back().second += " " + trimmed(line);
    } else {
        const auto colon = line.find(':');
        if (colon != std::string_view::npos)
            m_head.headers.emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
    }
}

size_t CurlTransfer::onBody(char* data, size_t size, size_t count, void* self) {
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t n = size * count;
    if (t->held() >= kWindow) {
        t->m_paused = true;
        return CURL_WRITEFUNC_PAUSE;  // libcurl keeps these bytes and offers them again
    }
    if (t->m_windowStart == t->m_window.size()) {
        t->m_window.clear();
        t->m_windowStart = 0;
    }
    t->m_window.insert(t->m_window.end(), data, data + n);
    t->m_lastActivity = Clock::now();
    return n;
}

void CurlTransfer::perform() {
    int running = 0;
    if (curl_multi_perform(m_multi.get(), &running) != CURLM_OK)
        fail(ERROR_INTERNET_INTERNAL_ERROR, "curl_multi_perform failed");
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_multi.get(), &queued)) {
        if (msg->msg == CURLMSG_DONE) {
            m_ended = true;
            m_result = msg->data.result;
        }
    }
}

void CurlTransfer::step(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int wait = static_cast<int>(std::clamp<long long>(left, 0, 200));
    curl_multi_poll(m_multi.get(), nullptr, 0, wait, nullptr);
    perform();
}

// Connected once the request's head has gone out.
bool CurlTransfer::connected() const {
    long requestBytes = 0;
    curl_easy_getinfo(m_easy.get(), CURLINFO_REQUEST_SIZE, &requestBytes);
    return requestBytes > 0;
}

void CurlTransfer::noteUpload() {
    curl_off_t uploaded = 0;
    curl_easy_getinfo(m_easy.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
    if (uploaded > m_uploaded) {
        m_uploaded = uploaded;
        m_lastActivity = Clock::now();
    }
}

void CurlTransfer::awaitHead() {
    perform();
    const auto send = limitOf(m_spec.timeouts.sendMs);
    const auto receive = limitOf(m_spec.timeouts.receiveMs);
    while (!m_headDone && !m_ended) {
        endIfCancelled();
        const auto now = Clock::now();
        auto deadline = now + std::chrono::seconds(1);
        if (!m_sawConnection && connected()) {
            m_sawConnection = true;  // libcurl's connect time-out has covered the way here
            m_lastActivity = now;
        }
        if (m_sawConnection) {
            noteUpload();
            const bool sent = m_uploaded >= static_cast<curl_off_t>(m_spec.body.size());
            if (sent && !m_headDeadline && receive) m_headDeadline = now + *receive;
            if (m_headDeadline) {
                if (now >= *m_headDeadline) fail(ERROR_INTERNET_TIMEOUT, "no complete reply head in time");
                deadline = std::min(deadline, *m_headDeadline);
            } else if (!sent && send) {
                if (now - m_lastActivity >= *send) fail(ERROR_INTERNET_TIMEOUT, "the request could not be sent in time");
                deadline = std::min(deadline, m_lastActivity + *send);
            }
        }
        step(deadline);
    }
    if (m_headDone) return;
    // A proxy that refused the tunnel: its answer is the reply, as WinINet has it.
    long connectCode = 0;
    curl_easy_getinfo(m_easy.get(), CURLINFO_HTTP_CONNECTCODE, &connectCode);
    if (m_result != CURLE_OK && connectCode >= 300) {
        m_head = {static_cast<DWORD>(connectCode), "", {}};
        m_headDone = true;
        m_result = CURLE_OK;
        return;
    }
    failFromCurl();
}

// Works the transfer until some of the body is held, it has ended, or it
// has been silent for the receive time-out.
CurlTransfer::BodyState CurlTransfer::awaitBody(std::optional<Clock::duration> receive) {
    for (;;) {
        endIfCancelled();
        if (held()) return BodyState::Held;
        if (m_ended) return m_result == CURLE_OK ? BodyState::Ended : BodyState::Failed;
        if (m_paused) {
            m_paused = false;
            curl_easy_pause(m_easy.get(), CURLPAUSE_CONT);
            continue;
        }
        if (receive && Clock::now() - m_lastActivity >= *receive) return BodyState::Stalled;
        step(receive ? m_lastActivity + *receive : Clock::now() + std::chrono::seconds(1));
    }
}

void CurlTransfer::endIfCancelled() {
    if (m_spec.cancelled && *m_spec.cancelled) fail(ERROR_INTERNET_OPERATION_CANCELLED, "the request's handle was closed");
}

void CurlTransfer::failBody(BodyState state) {
    if (state == BodyState::Stalled) fail(ERROR_INTERNET_TIMEOUT, "the reply stalled");
    failFromCurl();
}

DWORD CurlTransfer::read(BYTE* buffer, DWORD size, DWORD receiveMs) {
    if (m_failure) fail(m_failure, "the reply was already lost");
    const auto receive = limitOf(receiveMs);
    m_lastActivity = Clock::now();  // a paused transfer was waiting for the reader, not the server
    DWORD copied = 0;
    while (copied < size) {
        const BodyState state = awaitBody(receive);
        if (state == BodyState::Held) {
            const auto n = static_cast<DWORD>(std::min<std::size_t>(held(), size - copied));
            std::memcpy(buffer + copied, m_window.data() + m_windowStart, n);
            m_windowStart += n;
            copied += n;
            continue;
        }
        if (state == BodyState::Ended || copied) break;  // the bytes first; the next call reports a failure
        failBody(state);
    }
    return copied;
}

// Only what is held counts: until it has been read, nothing more is taken in.
DWORD CurlTransfer::available(DWORD receiveMs) {
    if (m_failure) fail(m_failure, "the reply was already lost");
    m_lastActivity = Clock::now();
    const BodyState state = awaitBody(limitOf(receiveMs));
    if (state == BodyState::Held) return static_cast<DWORD>(held());
    if (state == BodyState::Ended) return 0;
    failBody(state);
}

void CurlTransfer::fail(DWORD code, const std::string& what) {
    m_failure = code;
    m_ended = true;
    if (m_easy) curl_multi_remove_handle(m_multi.get(), m_easy.get());
    throw WinError(code, what);
}

void CurlTransfer::failFromCurl() {
    if (m_headTooLarge) fail(ERROR_HTTP_INVALID_SERVER_RESPONSE, "reply head over 64 KiB");
    FailureClues clues;
    clues.code = m_result;
    clues.text = m_errorText;
    if (m_tls) {
        clues.certificateError = m_tls->certificateError;
        clues.clientCertificateAsked = m_tls->clientCertificateAsked;
    }
    fail(winInetCodeOf(clues), std::string("libcurl: ") + curl_easy_strerror(m_result) + ": " + m_errorText);
}

}  // namespace

std::unique_ptr<Transfer> startTransfer(TransferSpec spec) {
    auto transfer = std::make_unique<CurlTransfer>(std::move(spec));
    transfer->awaitHead();
    return transfer;
}

}  // namespace platform::inet
