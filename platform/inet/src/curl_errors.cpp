// curl_errors.cpp: CURLcode -> ERROR_INTERNET_* / ERROR_HTTP_*.
#include "curl_errors.h"

#include "win32/error_codes.h"

namespace platform::inet {

namespace {

// libcurl reports a reset only in its message ("Connection reset by peer",
// the text of ECONNRESET), not in its code.
bool wasReset(std::string_view text) noexcept { return text.find("reset by peer") != std::string_view::npos; }

}  // namespace

DWORD winInetCodeOf(const FailureClues& clues) noexcept {
    if (clues.certificateError) return clues.certificateError;
    switch (clues.code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:  // a reply without a status line (HTTP/0.9)
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_RANGE_ERROR:
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_PARTIAL_FILE:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        // With TLS 1.3 a server that insists on a client certificate says so
        // only after the handshake, as the reply is read.
        if (clues.clientCertificateAsked) return ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED;
        return wasReset(clues.text) ? ERROR_INTERNET_CONNECTION_RESET : ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED:
        if (clues.clientCertificateAsked) return ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED;
        return wasReset(clues.text) ? ERROR_INTERNET_CONNECTION_RESET : ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_OUT_OF_MEMORY:
        return ERROR_NOT_ENOUGH_MEMORY;
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

}  // namespace platform::inet
