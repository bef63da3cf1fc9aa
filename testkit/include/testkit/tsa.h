// A time-stamping authority for tests: `openssl ts -reply` signing with the
// TSA certificate of a testkit hierarchy, on its own (TsaSigner) or behind a
// small HTTP or HTTPS server on 127.0.0.1 (Tsa, a Python script under
// /usr/bin/python3) that can be told to answer wrongly.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "testkit/pki.h"

namespace testkit {

class Service;

// `openssl ts -reply` with a configuration in a folder of its own: SHA-256
// signatures, the signing-certificate-v2 attribute, the CA chain in every
// token, genTime in milliseconds, accuracy, ordering and the TSA's name.
class TsaSigner {
public:
    // The policy the TSA grants when a request names none, and one more it accepts.
    static constexpr std::string_view kPolicy = "1.3.6.1.4.1.32473.5.1";
    static constexpr std::string_view kOtherPolicy = "1.3.6.1.4.1.32473.5.2";

    explicit TsaSigner(pki::Credential tsa);
    ~TsaSigner();
    TsaSigner(const TsaSigner&) = delete;
    TsaSigner& operator=(const TsaSigner&) = delete;

    // The TimeStampResp the TSA gives to a DER TimeStampReq.
    Bytes reply(const Bytes& query) const;

    const pki::Credential& credential() const noexcept { return m_tsa; }
    const std::filesystem::path& folder() const noexcept { return m_folder; }
    const std::filesystem::path& config() const noexcept { return m_config; }

private:
    pki::Credential m_tsa;
    std::filesystem::path m_folder;
    std::filesystem::path m_config;
};

// A TimeStampResp that refuses: PKIStatus 2 (rejection), failure info bit 14
// (timeNotAvailable) and the status text kRejectionText.
inline constexpr std::string_view kRejectionText = "time source unavailable";
Bytes tsaRejection();

enum class TsaFault {
    None,
    BadStatus,     // tsaRejection()
    WrongImprint,  // a good token over another message imprint
    WrongNonce,    // a good token with another nonce
    BadSignature,  // a good token whose signature has a flipped bit
    GrantedWithMods,  // a good token under PKIStatus 1 (granted with modifications)
    OtherPolicy,   // a good token under another policy than the request named
                   // (kOtherPolicy, or kPolicy when it named kOtherPolicy)
    Garbage,       // an HTML page, still as application/timestamp-reply
    Slow,          // the good reply after TsaOptions::slowDelay
    Reset,         // the connection reset (RST) once the request is read
};

struct TsaOptions {
    // HTTPS with a certificate for 127.0.0.1 from the hierarchy's standard CA,
    // sent with its chain: trusted where the hierarchy's root is.
    bool https = false;
    // With https: only clients with a certificate that chains to this CA
    // are served; the others fail the TLS handshake and are not counted.
    std::optional<pki::Certificate> clientCa;
    // The TSA's certificate and key; unset: the hierarchy's TSA. Its
    // certificate needs the critical timeStamping extended key usage.
    std::optional<pki::Credential> signer;
    std::chrono::milliseconds slowDelay{4000};
};

class Tsa {
public:
    explicit Tsa(const pki::Hierarchy& pki, TsaOptions options = {});
    ~Tsa();
    Tsa(const Tsa&) = delete;
    Tsa& operator=(const Tsa&) = delete;

    // "http://127.0.0.1:<port>/tsa", or https.
    std::string url() const;
    // How every request is answered from now on; replies are
    // application/timestamp-reply unless the fault leaves none.
    void answer(TsaFault fault);
    // The requests received so far.
    std::size_t requests() const;

    const pki::Credential& signer() const noexcept { return m_signer.credential(); }

private:
    TsaSigner m_signer;
    TsaOptions m_options;
    std::unique_ptr<Service> m_service;
    std::uint16_t m_port = 0;
};

}  // namespace testkit
