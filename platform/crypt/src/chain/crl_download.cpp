#include "chain/crl_download.h"

#include <algorithm>

#include "platform/owned.h"
#include "platform/win_error.h"
#include "win32/error.h"
#include "win32/inet.h"

namespace platform::crypt::chain {

namespace {

using Clock = std::chrono::steady_clock;

inline void closeInternet(HINTERNET h) noexcept {
    InternetCloseHandle(h);
}
using InternetRef = Owned<void, closeInternet>;

[[noreturn]] void failed(const char* call) {
    throw WinError(GetLastError(), call);
}

InternetRef checked(HINTERNET h, const char* call) {
    if (!h) failed(call);
    return InternetRef(h);
}

struct UrlParts {
    std::string host, object;
    INTERNET_PORT port = 0;
};

UrlParts partsOf(const std::string& url) {
    char host[256] = {}, path[2048] = {}, extra[2048] = {};
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof(host);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof(path);
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof(extra);
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) failed("InternetCrackUrlA");
    if (parts.nScheme != INTERNET_SCHEME_HTTP) throw WinError(CRYPT_E_NOT_FOUND, "not an http:// URL: " + url);
    const std::string object = std::string(path) + extra;
    return {host, object.empty() ? "/" : object, parts.nPort};
}

void setTimeout(HINTERNET h, DWORD option, DWORD ms) {
    if (!InternetSetOptionA(h, option, &ms, sizeof(ms))) failed("InternetSetOptionA");
}

void setTimeouts(HINTERNET session, DWORD ms) {
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        setTimeout(session, option, ms);
}

DWORD statusOf(HINTERNET request) {
    DWORD status = 0, size = sizeof(status);
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        failed("HttpQueryInfoA");
    return status;
}

// A body announced as too large is refused before any of it is read.
bool announcedOver(HINTERNET request, std::size_t limit) {
    DWORD length = 0, size = sizeof(length);
    return HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) &&
           length > limit;
}

// InternetReadFile returns only once its buffer is full or the body ends,
// and the receive time-out bounds each pause, not the whole read: a server
// that sends a byte now and then could stretch a read without end. So each
// wait for the body has only the time left as its time-out, and each read
// takes just what has already arrived.
store::Bytes readBody(HINTERNET request, Clock::time_point deadline, std::size_t limit, const std::string& url) {
    store::Bytes body;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) throw WinError(CRYPT_E_REVOCATION_OFFLINE, "CRL fetch ran out of time: " + url);
        setTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, static_cast<DWORD>(left));
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
            if (GetLastError() == ERROR_INTERNET_TIMEOUT)
                throw WinError(CRYPT_E_REVOCATION_OFFLINE, "CRL fetch ran out of time: " + url);
            failed("InternetQueryDataAvailable");
        }
        if (available == 0) return body;
        if (available > limit - body.size()) throw WinError(CRYPT_E_REVOCATION_OFFLINE, "CRL too large: " + url);
        const std::size_t start = body.size();
        body.resize(start + available);
        DWORD got = 0;
        if (!InternetReadFile(request, body.data() + start, available, &got)) failed("InternetReadFile");
        body.resize(start + got);
    }
}

}  // namespace

store::Bytes downloadCrl(const std::string& url, const DownloadLimits& limits) {
    const auto deadline = Clock::now() + limits.timeLimit;
    const UrlParts parts = partsOf(url);
    const InternetRef session = checked(
        InternetOpenA("Tesk CRL retrieval", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0), "InternetOpenA");
    setTimeouts(session.get(), static_cast<DWORD>(std::max<long long>(1, limits.timeLimit.count())));
    const InternetRef connection = checked(
        InternetConnectA(session.get(), parts.host.c_str(), parts.port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0),
        "InternetConnectA");
    const InternetRef request = checked(
        HttpOpenRequestA(
            connection.get(), "GET", parts.object.c_str(), nullptr, nullptr, nullptr,
            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI, 0),
        "HttpOpenRequestA");
    if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) failed("HttpSendRequestA");
    if (const DWORD status = statusOf(request.get()); status != 200)
        throw WinError(CRYPT_E_REVOCATION_OFFLINE, "CRL server answered " + std::to_string(status));
    if (announcedOver(request.get(), limits.maxBytes))
        throw WinError(CRYPT_E_REVOCATION_OFFLINE, "CRL too large: " + url);

    return readBody(request.get(), deadline, limits.maxBytes, url);
}

}  // namespace platform::crypt::chain
