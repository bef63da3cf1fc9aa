// One HTTP exchange as the libcurl side runs it, described in plain C++
// types: neither libcurl's, OpenSSL's nor CryptoAPI's types appear here, so
// the Windows-shaped entry points and the engines meet only through this.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "win32/types.h"

namespace platform::inet {

using HeaderList = std::vector<std::pair<std::string, std::string>>;
using Der = std::vector<BYTE>;

// Milliseconds; 0 means no limit.
struct Timeouts {
    DWORD connectMs = 60000;
    DWORD sendMs = 60000;
    DWORD receiveMs = 60000;
};

struct ProxySetting {
    enum class Mode { System, Direct, Fixed };
    Mode mode = Mode::System;
    std::string url;     // Fixed: "http://host:port"
    std::string bypass;  // Fixed: hosts that go direct, comma-separated
    std::string user, password;
};

// The certificate stores' contents at the time of the request.
struct TrustMaterial {
    std::vector<Der> anchors;        // Root
    std::vector<Der> intermediates;  // CA
    std::vector<Der> crls;           // both
};

enum class Digest { Sha1, Sha256, Sha384, Sha512 };

// A client certificate whose key stays in its provider.
struct ClientCredential {
    Der certificate;
    // PKCS #1 v1.5 signature of a digest, most significant byte first.
    // Throws WinError when the provider cannot sign.
    std::function<std::vector<BYTE>(Digest digest, std::span<const BYTE> hash)> sign;
};

struct TlsSetting {
    DWORD securityFlags = 0;  // SECURITY_FLAG_IGNORE_*
    TrustMaterial trust;
    std::int64_t now = 0;     // seconds since 1970, from the layer's clock
    std::shared_ptr<const ClientCredential> clientCertificate;
};

struct TransferSpec {
    std::string url;
    std::string method;
    bool http10 = false;
    HeaderList headers;  // as sent; Content-Length is the body's
    std::vector<BYTE> body;
    std::string userAgent;
    std::string user, password;  // the server's: sent as Basic when either is set
    ProxySetting proxy;
    Timeouts timeouts;
    std::optional<TlsSetting> tls;
    // Becomes true when the request's handle is closed; the transfer then
    // ends with ERROR_INTERNET_OPERATION_CANCELLED.
    std::shared_ptr<const std::atomic<bool>> cancelled;
};

struct ReplyHead {
    DWORD status = 0;
    std::string statusText;
    HeaderList headers;
};

class Transfer {
public:
    virtual ~Transfer() = default;
    virtual const ReplyHead& head() const noexcept = 0;
    // The body calls take the receive time-out the request has at the time
    // of the call (milliseconds, as InternetSetOptionA takes it).
    // Fills the buffer unless the body ends first; 0 at the end. Throws
    // WinError with the ERROR_INTERNET_* code of a failure.
    virtual DWORD read(BYTE* buffer, DWORD size, DWORD receiveMs) = 0;
    // Waits until some of the body is held or the body has ended; the bytes
    // held, which read returns without waiting (0 at the end). Throws as read.
    virtual DWORD available(DWORD receiveMs) = 0;
};

// Sends the request and returns once the reply's head is in. Throws
// WinError with the ERROR_INTERNET_* code of a failure.
std::unique_ptr<Transfer> startTransfer(TransferSpec spec);

}  // namespace platform::inet
