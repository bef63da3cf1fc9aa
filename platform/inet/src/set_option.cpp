// set_option.cpp: InternetSetOptionA.
#include <cstring>

#include "client_credential.h"
#include "handles.h"
#include "platform/boundary.h"

using namespace platform::inet;
using platform::WinError;

namespace {

DWORD dwordOf(LPVOID buffer, DWORD length) {
    if (length < sizeof(DWORD)) throw WinError(ERROR_INTERNET_BAD_OPTION_LENGTH, "option needs a DWORD");
    DWORD value;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

// The length counts characters; a NUL within it ends the text.
std::string textOf(LPVOID buffer, DWORD length) {
    const auto* p = static_cast<const char*>(buffer);
    return std::string(p, strnlen(p, length));
}

}  // namespace

BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength) noexcept {
    return platform::winBool([&] {
        auto handle = findHandle(hInternet);
        if (!lpBuffer) throw WinError(ERROR_INVALID_PARAMETER, "InternetSetOptionA: no buffer");
        Timeouts& timeouts = handle->options.timeouts;
        switch (dwOption) {
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            timeouts.connectMs = dwordOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_SEND_TIMEOUT:
        case INTERNET_OPTION_DATA_SEND_TIMEOUT:
            timeouts.sendMs = dwordOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
        case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT:
            timeouts.receiveMs = dwordOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_LISTEN_TIMEOUT:
            dwordOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_USERNAME:
            handle->options.user = textOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_PASSWORD:
            handle->options.password = textOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_PROXY_USERNAME:
            handle->options.proxyUser = textOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_PROXY_PASSWORD:
            handle->options.proxyPassword = textOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_SECURITY_FLAGS:
            objectOf<Request>(*handle).securityFlags = dwordOf(lpBuffer, dwBufferLength);
            return true;
        case INTERNET_OPTION_CLIENT_CERT_CONTEXT: {
            auto& request = objectOf<Request>(*handle);
            if (dwBufferLength < sizeof(CERT_CONTEXT))
                throw WinError(ERROR_INTERNET_BAD_OPTION_LENGTH, "option needs a CERT_CONTEXT");
            request.clientCertificate = clientCredentialOf(static_cast<PCCERT_CONTEXT>(lpBuffer));
            return true;
        }
        default:
            throw WinError(ERROR_INTERNET_INVALID_OPTION, "InternetSetOptionA: option not supported");
        }
    });
}
