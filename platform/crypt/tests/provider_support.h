// Helpers of the provider tests: a context that releases itself, the last
// error of a call that must fail, hashing in one call, and certificates made
// by OpenSSL.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "last_error_code.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace provider_test {

using Bytes = std::vector<BYTE>;

inline constexpr char16_t kBase[] = u"Microsoft Base Cryptographic Provider v1.0";
inline constexpr char16_t kEnhanced[] = u"Microsoft Enhanced Cryptographic Provider v1.0";
inline constexpr char16_t kStrong[] = u"Microsoft Strong Cryptographic Provider";
inline constexpr char16_t kAes[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";

// The last error of a call that is expected to fail (0 when it succeeded).
template <class Call>
DWORD failureOf(Call&& call) {
    SetLastError(0);
    if (call()) return 0;
    return GetLastError();
}

class Context {
public:
    Context(const char16_t* container, const char16_t* provider, DWORD type, DWORD flags) {
        if (!CryptAcquireContextW(&m_handle, container, provider, type, flags)) m_error = GetLastError();
    }
    ~Context() {
        if (m_handle) CryptReleaseContext(m_handle, 0);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    explicit operator bool() const noexcept { return m_handle != 0; }
    HCRYPTPROV get() const noexcept { return m_handle; }
    DWORD error() const noexcept { return m_error; }

private:
    HCRYPTPROV m_handle = 0;
    DWORD m_error = 0;
};

inline Bytes hashOf(HCRYPTPROV prov, ALG_ID algorithm, std::string_view data) {
    HCRYPTHASH hash = 0;
    Bytes value;
    if (!CryptCreateHash(prov, algorithm, 0, 0, &hash)) return value;
    DWORD size = 0;
    if (CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, nullptr, &size, 0)) {
        value.resize(size);
        if (!CryptGetHashParam(hash, HP_HASHVAL, value.data(), &size, 0)) value.clear();
    }
    CryptDestroyHash(hash);
    return value;
}

inline std::string hex(const Bytes& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const BYTE b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// A self-signed certificate, DER, made by the openssl command.
inline Bytes opensslCertificate(const testkit::PlatformRoot& root, const std::string& subject) {
    const auto result = testkit::run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "cert.key",
                                      "-subj", "/CN=" + subject, "-days", "30", "-outform", "DER", "-out", "cert.der"},
                                     root.path());
    EXPECT_EQ(0, result.exitCode) << result.err;
    const std::string der = root.read("cert.der");
    return Bytes(der.begin(), der.end());
}

}  // namespace provider_test
