// The TLS side of a transfer: peer verification against the stores'
// certificates and the client certificate, installed into each OpenSSL
// context libcurl makes. Plain types only, so libcurl's side needs no
// OpenSSL header.
#pragma once

#include <string>

#include "transfer.h"

namespace platform::inet {

struct TlsState {
    const TlsSetting* setting = nullptr;
    std::string host;  // a name or an IP address literal, as in the URL
    // Outcomes, read when the transfer fails.
    DWORD certificateError = 0;       // ERROR_INTERNET_* of a refused server certificate
    bool clientCertificateAsked = false;  // asked for, and none was sent
};

// For CURLOPT_SSL_CTX_FUNCTION: false when the context cannot be prepared
// (a client certificate that does not decode).
bool prepareTlsContext(void* sslCtx, TlsState& state) noexcept;

}  // namespace platform::inet
