#include "lumvar/server_post.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "lumvar/server_address.h"
#include "lumvar/server_errors.h"
#include "platform/text.h"
#include "win32/error.h"
#include "win32/error_codes.h"
#include "win32/inet.h"
#include "win32/message.h"

namespace lumvar {

namespace {

// Steps of the exchange, as a numbered HTTPSException names them.
enum Step : std::uint32_t {
    kOpen = 117,
    kConnect = 171,
    kOpenRequest = 184,
    kHeader = 188,
    kSend = 192,
    kLength = 201,
    kAvailable = 207,
    kRead = 232,
};

constexpr DWORD kPiece = 500;
// Room made at once for an announced reply; the rest grows as bytes arrive,
// so an announcement alone never takes much memory.
constexpr DWORD kReserveAtMost = 1u << 20;

// Room for `needed` bytes of a reply that may grow to `limit`: doubled as
// bytes arrive, but never past the limit and straight to it once past its
// half, so the last move copies at most half the limit and the reply is
// held once, near the limit at most.
void makeRoom(std::string& reply, std::size_t needed, std::size_t limit) {
    if (needed <= reply.capacity()) return;
    std::size_t room = std::max(needed, reply.capacity() * 2);
    if (room > limit / 2) room = limit;
    reply.reserve(room);
}

std::string systemText(DWORD code) {
    char16_t buffer[1024] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                   buffer, 1024, nullptr);
    if (n == 0) return "Unknown error";
    std::u16string text(buffer, n);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n')) text.pop_back();
    return platform::text::toUtf8(text);
}

struct HandleClose {
    void operator()(HINTERNET h) const { InternetCloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleClose>;

// Closes the request's handle when the exchange's deadline passes, which
// ends the send or read under way; the handle is then not closed again.
class Deadline {
public:
    Deadline(Handle& request, std::chrono::milliseconds limit)
        : m_request(request), m_thread([this, limit] { watch(limit); }) {}
    ~Deadline() {
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_one();
        m_thread.join();
        if (m_passed) m_request.release();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    bool passed() const {
        const std::lock_guard lock(m_mutex);
        return m_passed;
    }

private:
    void watch(std::chrono::milliseconds limit) {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, limit, [this] { return m_done; })) return;
        m_passed = true;
        InternetCloseHandle(m_request.get());
    }

    Handle& m_request;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_passed = false;
    std::thread m_thread;
};

class Exchange {
public:
    explicit Exchange(const PostOptions& options) : m_options(options) {}

    void watch(const Deadline& deadline) { m_deadline = &deadline; }

    // A step failed: its own result says so. The system's last error names
    // the cause; a step that fails without one is reported as an internal
    // error, never taken as success; one ended by the deadline as a time-out.
    [[noreturn]] void fail(Step step) const {
        DWORD code = GetLastError();
        if (m_deadline && m_deadline->passed()) code = ERROR_INTERNET_TIMEOUT;
        if (code == ERROR_SUCCESS) code = ERROR_INTERNET_INTERNAL_ERROR;
        throw HTTPSException(systemText(code), code, stepOf(step));
    }
    [[noreturn]] void fail(Step step, const std::string& why) const {
        throw HTTPSException(why, ERROR_INTERNET_INTERNAL_ERROR, stepOf(step));
    }

private:
    std::optional<std::uint32_t> stepOf(Step step) const {
        return m_options.numberSteps ? std::optional<std::uint32_t>(step) : std::nullopt;
    }

    const PostOptions& m_options;
    const Deadline* m_deadline = nullptr;
};

}  // namespace

std::string PostToServer(const std::string& addressText, const std::string& body, const PostOptions& options) {
    Exchange exchange(options);
    const ServerAddress address = SplitServerAddress(addressText);
    const std::u16string host = platform::text::toWide(address.host);
    const std::u16string objectPath = platform::text::toWide(address.objectPath);

    const Handle internet(
        InternetOpenW(options.agentName.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!internet) exchange.fail(kOpen);
    // The children are closed before the root handle.
    const Handle connection(InternetConnectW(internet.get(), host.c_str(), options.fixedPort.value_or(address.port),
                                             nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) exchange.fail(kConnect);
    const DWORD flags = INTERNET_FLAG_RELOAD | (address.secure ? INTERNET_FLAG_SECURE : 0);
    Handle request(HttpOpenRequestW(connection.get(), u"POST", objectPath.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!request) exchange.fail(kOpenRequest);
    const Deadline deadline(request, options.deadline);
    exchange.watch(deadline);
    if (!HttpAddRequestHeadersW(request.get(), u"Content-Type:text/plain\r\n", static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        exchange.fail(kHeader);
    if (!HttpSendRequestW(request.get(), nullptr, 0, const_cast<char*>(body.data()), static_cast<DWORD>(body.size())))
        exchange.fail(kSend);

    DWORD announced = 0;
    std::uint32_t limit = options.maxReply;
    if (options.needsContentLength) {
        DWORD size = sizeof announced;
        if (!HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size,
                            nullptr))
            exchange.fail(kLength);
        if (announced > options.maxReply)
            exchange.fail(kLength, "The reply is longer than " + std::to_string(options.maxReply) + " bytes");
        limit = announced;
    }

    DWORD available = 0;
    if (!InternetQueryDataAvailable(request.get(), &available, 0, 0)) exchange.fail(kAvailable);
    std::string reply;
    reply.reserve(std::min(announced, kReserveAtMost));
    if (available == 0) return reply;
    char piece[kPiece];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.get(), piece, kPiece, &got)) exchange.fail(kRead);
        if (got == 0) break;
        if (reply.size() + got > limit)
            exchange.fail(kRead, options.needsContentLength
                                     ? "The reply is longer than its Content-Length"
                                     : "The reply is longer than " + std::to_string(limit) + " bytes");
        makeRoom(reply, reply.size() + got, limit);
        reply.append(piece, got);
        if (options.progress) options.progress(announced, static_cast<std::uint32_t>(reply.size()));
    }
    return reply;
}

}  // namespace lumvar
