// open_close.cpp: opening and closing sessions, connections and requests.
#include <string>

#include "handles.h"
#include "platform/boundary.h"

using namespace platform::inet;
using platform::WinError;

namespace {

std::string textOf(LPCSTR s) { return s ? s : ""; }

}  // namespace

HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy, LPCSTR lpszProxyBypass,
                        DWORD dwFlags) noexcept {
    return platform::winValue<HINTERNET>(nullptr, [&] {
        const bool known = dwAccessType == INTERNET_OPEN_TYPE_PRECONFIG || dwAccessType == INTERNET_OPEN_TYPE_DIRECT ||
                           dwAccessType == INTERNET_OPEN_TYPE_PROXY ||
                           dwAccessType == INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
        if (!known || dwFlags) throw WinError(ERROR_INVALID_PARAMETER, "InternetOpenA access type or flags");
        if (dwAccessType == INTERNET_OPEN_TYPE_PROXY && (!lpszProxy || !*lpszProxy))
            throw WinError(ERROR_INVALID_PARAMETER, "InternetOpenA: proxy access without a proxy");
        Session session;
        session.agent = textOf(lpszAgent);
        session.accessType =
            dwAccessType == INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY ? INTERNET_OPEN_TYPE_PRECONFIG : dwAccessType;
        if (dwAccessType == INTERNET_OPEN_TYPE_PROXY) {
            session.proxyList = lpszProxy;
            session.proxyBypass = textOf(lpszProxyBypass);
        }
        return addHandle(std::make_shared<Handle>(Handle{{}, std::move(session)}));
    });
}

HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort, LPCSTR, LPCSTR,
                           DWORD dwService, DWORD, DWORD_PTR) noexcept {
    return platform::winValue<HINTERNET>(nullptr, [&] {
        auto parent = findHandle(hInternet);
        objectOf<Session>(*parent);
        if (!lpszServerName || !*lpszServerName || dwService != INTERNET_SERVICE_HTTP)
            throw WinError(ERROR_INVALID_PARAMETER, "InternetConnectA server or service");
        Connection connection{parent, lpszServerName, nServerPort};
        return addHandle(std::make_shared<Handle>(Handle{parent->options, std::move(connection)}));
    });
}

HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName, LPCSTR lpszVersion,
                           LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes, DWORD dwFlags, DWORD_PTR) noexcept {
    return platform::winValue<HINTERNET>(nullptr, [&] {
        auto parent = findHandle(hConnect);
        objectOf<Connection>(*parent);
        Request request;
        request.connection = parent;
        request.verb = lpszVerb && *lpszVerb ? lpszVerb : "GET";
        request.object = lpszObjectName && *lpszObjectName ? lpszObjectName : "/";
        if (request.object.front() != '/') request.object.insert(0, 1, '/');
        request.http10 = textOf(lpszVersion) == "HTTP/1.0";
        request.secure = (dwFlags & INTERNET_FLAG_SECURE) != 0;
        request.securityFlags =
            dwFlags & (INTERNET_FLAG_IGNORE_CERT_CN_INVALID | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID);
        std::string accept;
        for (LPCSTR* type = lplpszAcceptTypes; type && *type; ++type) accept += (accept.empty() ? "" : ", ") + std::string(*type);
        if (!accept.empty()) request.headers.emplace_back("Accept", accept);
        if (lpszReferrer && *lpszReferrer) request.headers.emplace_back("Referer", lpszReferrer);
        return addHandle(std::make_shared<Handle>(Handle{parent->options, std::move(request)}));
    });
}

BOOL InternetCloseHandle(HINTERNET hInternet) noexcept {
    return platform::winBool([&] {
        // A call under way on the request, on another thread, is ended.
        const auto handle = findHandle(hInternet);
        if (auto* request = std::get_if<Request>(&handle->object)) *request->closed = true;
        removeHandle(hInternet);
        return true;
    });
}
