// inet_transfer.cpp: TInetTransfer, one POST over WinINet.
#include "common/inet_transfer.h"

#include <algorithm>
#include <cctype>

#include "win32/crypt_store.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

constexpr DWORD kReadChunk = 16384;
constexpr DWORD kDrainChunk = 1024;
constexpr DWORD kAttempts = 3;
constexpr DWORD kDialogFlags =
    FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_GENERATE_DATA | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS;

bool isOpen(HINTERNET h) { return h && h != reinterpret_cast<HINTERNET>(static_cast<LONG_PTR>(-1)); }

// A CR or LF would end the header line early and start another.
std::string oneLine(const std::string& text) {
    std::string out = text;
    std::erase_if(out, [](char c) { return c == '\r' || c == '\n'; });
    return out;
}

// Media types compare without regard to case.
bool containsNoCase(const std::string& text, const std::string& part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

// Failed sends that are worth another attempt as they are.
bool isTransient(DWORD error) {
    return error == ERROR_HTTP_INVALID_SERVER_RESPONSE || error == ERROR_INTERNET_CANNOT_CONNECT ||
           error == ERROR_INTERNET_CONNECTION_ABORTED || error == ERROR_INTERNET_CONNECTION_RESET;
}

bool isHandled(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_INCORRECT_PASSWORD:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        return true;
    default:
        return false;
    }
}

BOOL setDword(HINTERNET h, DWORD option, DWORD value) { return InternetSetOptionA(h, option, &value, sizeof value); }

}  // namespace

TInetTransfer::~TInetTransfer() {
    if (m_clientCert) CertFreeCertificateContext(m_clientCert);
    TInetTransfer::Disconnect();
}

int TInetTransfer::IsOnline() { return InternetAttemptConnect(0) == ERROR_SUCCESS ? 1 : 0; }

int TInetTransfer::Disconnect() {
    for (HINTERNET* h : {&m_request, &m_connection}) {
        if (isOpen(*h)) InternetCloseHandle(*h);
        *h = nullptr;
    }
    int result = 0;
    if (isOpen(m_internet)) result = InternetCloseHandle(m_internet);
    m_internet = nullptr;
    return result;
}

int TInetTransfer::Connect() {
    if (m_internet || m_connection) return INET_E_STATE;
    if (m_url.empty()) return INET_E_NO_URL;

    URL_COMPONENTSA url{};
    url.dwStructSize = sizeof url;
    url.dwHostNameLength = 1;
    url.dwUrlPathLength = 1;
    if (!InternetCrackUrlA(m_url.c_str(), 0, 0, &url)) return INET_E_BAD_URL;
    if (url.nScheme == INTERNET_SCHEME_HTTP)
        m_secure = 0;
    else if (url.nScheme == INTERNET_SCHEME_HTTPS)
        m_secure = 1;
    else
        return INET_E_BAD_URL;
    m_hostName.assign(url.lpszHostName, url.dwHostNameLength);
    m_path.assign(url.lpszUrlPath, url.dwUrlPathLength);
    if (m_hostName.empty() || m_path.empty()) return INET_E_BAD_URL;
    m_port = url.nPort ? url.nPort : m_secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;

    if (!IsOnline()) return INET_E_OFFLINE;
    const bool viaProxy = m_accessType == INTERNET_OPEN_TYPE_PROXY;
    m_internet = InternetOpenA(m_userAgent.c_str(), m_accessType, viaProxy ? m_proxyServer.c_str() : nullptr, nullptr, 0);
    if (!m_internet) return INET_E_OPEN;

    const DWORD ms = static_cast<DWORD>(std::clamp<ULONGLONG>(ULONGLONG{m_timeout} * 1000, 1000, 0xFFFFFFFEu));
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_CONTROL_SEND_TIMEOUT, INTERNET_OPTION_LISTEN_TIMEOUT,
                         INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
        setDword(m_internet, option, ms);

    m_connection = InternetConnectA(m_internet, m_hostName.c_str(), static_cast<INTERNET_PORT>(m_port), nullptr,
                                    nullptr, m_service, 0, 0);
    if (!m_connection) return INET_E_CONNECT;
    if (viaProxy) {
        InternetSetOptionA(m_connection, INTERNET_OPTION_PROXY_USERNAME, m_proxyUser.data(),
                           static_cast<DWORD>(m_proxyUser.size() + 1));
        InternetSetOptionA(m_connection, INTERNET_OPTION_PROXY_PASSWORD, m_proxyPassword.data(),
                           static_cast<DWORD>(m_proxyPassword.size() + 1));
    }
    return INET_OK;
}

BOOL TInetTransfer::AddRequestHeaderNumber(const std::string& name, DWORD number) {
    if (!m_request) return FALSE;
    return AddRequestHeaders(name, std::to_string(number));
}

BOOL TInetTransfer::AddRequestHeaders(const std::string& name, const std::string& value) {
    if (!m_request) return FALSE;
    // REPLACE: a request sent again carries each header once, with this send's value.
    const std::string line = oneLine(name) + ": " + oneLine(value) + "\r\n";
    return HttpAddRequestHeadersA(m_request, line.c_str(), static_cast<DWORD>(line.size()),
                                  HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
}

void TInetTransfer::SetContentType(const std::string& contentType) { m_contentType = contentType; }

void TInetTransfer::SetAcceptType(const std::string& acceptType) { m_acceptType = acceptType; }

void TInetTransfer::SetClientCert(PCCERT_CONTEXT certificate) {
    if (!certificate) return;
    PCCERT_CONTEXT duplicate = CertDuplicateCertificateContext(certificate);
    if (m_clientCert) CertFreeCertificateContext(m_clientCert);
    m_clientCert = duplicate;
}

int TInetTransfer::OpenRequest() {
    if (m_request) return INET_OK;
    LPCSTR acceptTypes[] = {"*/*", nullptr};
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES;
    if (m_secure) flags |= INTERNET_FLAG_SECURE;
    m_request = HttpOpenRequestA(m_connection, m_verb.c_str(), m_path.empty() ? nullptr : m_path.c_str(), "HTTP/1.0",
                                 "", acceptTypes, flags, 0);
    return m_request ? INET_OK : INET_E_OPEN_REQUEST;
}

int TInetTransfer::SendRequest(const std::vector<BYTE>& body, std::vector<BYTE>& reply, bool ignoreUnknownCa) {
    if (!m_connection) return INET_E_STATE;
    if (const int r = OpenRequest()) return r;
    m_httpStatus = 400;
    AddRequestHeaders("Accept", "*/*");
    AddRequestHeaderNumber("Content-Length", static_cast<DWORD>(body.size()));
    if (!m_contentType.empty()) AddRequestHeaders("Content-Type", m_contentType);

    // Only what was asked for is waived: the unknown authority when the
    // caller accepts it, and the owner's own choice when no dialog may ask.
    DWORD waived = ignoreUnknownCa ? SECURITY_FLAG_IGNORE_UNKNOWN_CA : 0;
    if (m_certErrorsByDialog == 0) waived |= m_securityFlags;
    if (waived) setDword(m_request, INTERNET_OPTION_SECURITY_FLAGS, waived);

    if (const int r = SendAttempts(body)) return r;
    if (const int r = CheckContentType()) return r;
    return ReadReply(reply);
}

int TInetTransfer::SendAttempts(const std::vector<BYTE>& body) {
    auto* data = const_cast<BYTE*>(body.empty() ? nullptr : body.data());
    DWORD attempts = 0;
    while (attempts < kAttempts) {
        if (HttpSendRequestA(m_request, nullptr, 0, data, static_cast<DWORD>(body.size()))) {
            DWORD status = 0;
            DWORD size = sizeof status;
            if (!HttpQueryInfoA(m_request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
                return INET_E_NO_REPLY;
            if (status == 401 || status == 407) {
                DrainReply();
                if (const int r = Authenticate()) return r;
                continue;  // a retry after authentication is not an attempt
            }
            // Every 4xx and 5xx is a refusal, not only those up to 505.
            if (status >= 400 && status <= 599) {
                DrainReply();
                m_httpStatus = status;
                return INET_E_HTTP_STATUS;
            }
            return INET_OK;
        }
        const DWORD error = GetLastError();
        ++attempts;
        if (isTransient(error)) continue;
        const int r = HandleSendError(error);
        if (r == 0) continue;
        InternetCloseHandle(m_request);
        m_request = nullptr;
        SetLastError(error);
        return r;
    }
    return INET_E_NO_REPLY;
}

int TInetTransfer::Authenticate() {
    const DWORD r =
        InternetErrorDlg(GetDesktopWindow(), m_request, ERROR_INTERNET_INCORRECT_PASSWORD, kDialogFlags, nullptr);
    if (r == ERROR_INTERNET_FORCE_RETRY) return INET_OK;
    // The user's cancel is a cancel, however the dialog reports it.
    if (r == ERROR_SUCCESS || r == ERROR_CANCELLED) return INET_E_CANCELLED;
    return INET_E_WININET;
}

int TInetTransfer::HandleSendError(DWORD error) {
    if (!isHandled(error)) return INET_E_WININET;
    if (error == ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED && m_clientCertByDialog == 0) {
        if (!m_clientCert) return INET_E_CLIENT_CERT;
        InternetSetOptionA(m_request, INTERNET_OPTION_CLIENT_CERT_CONTEXT, const_cast<CERT_CONTEXT*>(m_clientCert),
                           sizeof(CERT_CONTEXT));
        return INET_OK;
    }
    if (m_certErrorsByDialog == 1 || error == ERROR_INTERNET_INCORRECT_PASSWORD) {
        const DWORD r = InternetErrorDlg(GetDesktopWindow(), m_request, error, kDialogFlags, nullptr);
        return r == ERROR_CANCELLED ? INET_E_CANCELLED : INET_OK;
    }
    // No dialog may ask, and what the owner waived was set before the send:
    // a certificate problem is not ignored behind the user's back.
    return INET_E_WININET;
}

int TInetTransfer::CheckContentType() {
    if (m_acceptType.empty()) return INET_OK;
    char type[1024];
    DWORD size = sizeof type;
    if (!HttpQueryInfoA(m_request, HTTP_QUERY_CONTENT_TYPE, type, &size, nullptr)) return INET_E_NO_REPLY;
    return containsNoCase(std::string(type, size), m_acceptType) ? INET_OK : INET_E_CONTENT_TYPE;
}

int TInetTransfer::ReadReply(std::vector<BYTE>& reply) {
    for (;;) {
        const std::size_t had = reply.size();
        reply.resize(had + kReadChunk);
        DWORD read = 0;
        const BOOL ok = InternetReadFile(m_request, reply.data() + had, kReadChunk, &read);
        reply.resize(had + read);
        if (!ok) return INET_E_READ;
        if (read == 0) return INET_OK;
    }
}

void TInetTransfer::DrainReply() {
    BYTE sink[kDrainChunk];
    DWORD read = 0;
    while (InternetReadFile(m_request, sink, sizeof sink, &read) && read) {
    }
}
