#include "server_poster.h"

#include <memory>

#include "lumvar/server_address.h"
#include "lumvar/server_errors.h"
#include "platform/text.h"
#include "win32/error.h"
#include "win32/error_codes.h"
#include "win32/inet.h"
#include "win32/message.h"

namespace lumvar {

namespace {

// Steps of the exchange, as HTTPSException names them.
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

std::string systemText(DWORD code) {
    char16_t buffer[1024] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                   buffer, 1024, nullptr);
    if (n == 0) return "Unknown error";
    std::u16string text(buffer, n);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n')) text.pop_back();
    return platform::text::toUtf8(text);
}

// A step failed: its own result says so. The system's last error names the
// cause; a step that fails without one is reported as an internal error.
[[noreturn]] void fail(Step step) {
    DWORD code = GetLastError();
    if (code == ERROR_SUCCESS) code = ERROR_INTERNET_INTERNAL_ERROR;
    throw HTTPSException(systemText(code), code, step);
}

struct HandleClose {
    void operator()(HINTERNET h) const { InternetCloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleClose>;

}  // namespace

RequestPoster::RequestPoster(std::u16string agentName, std::string address)
    : m_agentName(std::move(agentName)), m_address(std::move(address)) {}

ServerReply RequestPoster::post(const ReplyProgress& progress, const std::string& body,
                                const std::string& schemaFile) {
    const ReplySchema schema(schemaFile);
    const std::string reply = exchange(progress, body);
    return ServerReply::parse(reply, schema);
}

std::string RequestPoster::exchange(const ReplyProgress& progress, const std::string& body) {
    const ServerAddress address = SplitServerAddress(m_address);
    const std::u16string host = platform::text::toWide(address.host);
    const std::u16string objectPath = platform::text::toWide(address.objectPath);

    const Handle internet(InternetOpenW(m_agentName.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!internet) fail(kOpen);
    // The children are closed before the root handle.
    const Handle connection(InternetConnectW(internet.get(), host.c_str(), address.port, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) fail(kConnect);
    const DWORD flags = INTERNET_FLAG_RELOAD | (address.secure ? INTERNET_FLAG_SECURE : 0);
    const Handle request(HttpOpenRequestW(connection.get(), u"POST", objectPath.c_str(), nullptr, nullptr, nullptr,
                                          flags, 0));
    if (!request) fail(kOpenRequest);
    if (!HttpAddRequestHeadersW(request.get(), u"Content-Type:text/plain\r\n", static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        fail(kHeader);
    if (!HttpSendRequestW(request.get(), nullptr, 0, const_cast<char*>(body.data()), static_cast<DWORD>(body.size())))
        fail(kSend);

    DWORD announced = 0;
    DWORD size = sizeof announced;
    if (!HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size, nullptr))
        fail(kLength);
    if (announced > kMaxReply)
        throw HTTPSException("The reply is longer than " + std::to_string(kMaxReply) + " bytes",
                             ERROR_INTERNET_INTERNAL_ERROR, kLength);

    DWORD available = 0;
    if (!InternetQueryDataAvailable(request.get(), &available, 0, 0)) fail(kAvailable);
    std::string reply;
    reply.reserve(announced);
    if (available == 0) return reply;
    char piece[kPiece];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.get(), piece, kPiece, &got)) fail(kRead);
        if (got == 0) break;
        if (reply.size() + got > announced)
            throw HTTPSException("The reply is longer than its Content-Length", ERROR_INTERNET_INTERNAL_ERROR, kRead);
        reply.append(piece, got);
        if (progress) progress(announced, static_cast<std::uint32_t>(reply.size()));
    }
    return reply;
}

}  // namespace lumvar
