// send_request.cpp: HttpSendRequestA.
#include <strings.h>

#include "handles.h"
#include "platform/boundary.h"
#include "platform/clock.h"
#include "proxy_setting.h"
#include "request_headers.h"
#include "trust_material.h"

using namespace platform::inet;
using platform::WinError;

namespace {

std::string urlOf(const Request& request, const Connection& connection) {
    const bool literal6 = connection.host.find(':') != std::string::npos && connection.host.front() != '[';
    const std::string host = literal6 ? "[" + connection.host + "]" : connection.host;
    const INTERNET_PORT port = connection.port ? connection.port
                               : request.secure ? INTERNET_DEFAULT_HTTPS_PORT
                                                : INTERNET_DEFAULT_HTTP_PORT;
    return (request.secure ? "https://" : "http://") + host + ":" + std::to_string(port) + request.object;
}

std::int64_t nowUnixSeconds() {
    const auto t = platform::clock::nowFileTime();
    return static_cast<std::int64_t>((t - platform::clock::kUnixEpochAsFileTime) / 10000000);
}

TransferSpec specOf(const Handle& handle, const Request& request, const HeaderList& extra, const BYTE* body,
                    DWORD bodyLength) {
    const auto& connection = objectOf<Connection>(*request.connection);
    const auto& session = objectOf<Session>(*connection.session);
    TransferSpec spec;
    spec.url = urlOf(request, connection);
    spec.method = request.verb;
    spec.http10 = request.http10;
    for (const auto* list : {&request.headers, &extra})
        for (const auto& header : *list)
            if (strcasecmp(header.first.c_str(), "Content-Length") != 0) spec.headers.push_back(header);
    if (bodyLength) spec.body.assign(body, body + bodyLength);
    spec.userAgent = session.agent;
    spec.user = handle.options.user;
    spec.password = handle.options.password;
    spec.proxy = proxySettingOf(session, handle.options, request.secure);
    spec.timeouts = handle.options.timeouts;
    spec.cancelled = request.closed;
    if (request.secure)
        spec.tls = TlsSetting{request.securityFlags, currentTrustMaterial(), nowUnixSeconds(),
                              request.clientCertificate};
    return spec;
}

}  // namespace

BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, LPVOID lpOptional,
                      DWORD dwOptionalLength) noexcept {
    return platform::winBool([&] {
        auto handle = findHandle(hRequest);
        auto& request = objectOf<Request>(*handle);
        if (dwOptionalLength && !lpOptional) throw WinError(ERROR_INVALID_PARAMETER, "HttpSendRequestA: no body");
        request.transfer.reset();
        const HeaderList extra = parseHeaderLines(lpszHeaders, dwHeadersLength);
        request.transfer =
            startTransfer(specOf(*handle, request, extra, static_cast<const BYTE*>(lpOptional), dwOptionalLength));
        return true;
    });
}
