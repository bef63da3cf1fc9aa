// Provider, hash and key handles owned for the length of one message
// operation, each released by its own function. The message code reaches
// providers only through the advapi32 functions, so a card key signs and a
// card provider hashes exactly as a software one.
#pragma once

#include <string>

#include "der/der.h"
#include "win32/crypt_types.h"

namespace platform::crypt::msg {

// A failed CryptoAPI call, thrown with its last error.
[[noreturn]] void throwLastError(const char* call);

// A provider handle: borrowed from the caller, or acquired here and
// released with the object.
class ProviderHandle {
public:
    ProviderHandle() = default;
    static ProviderHandle borrowed(HCRYPTPROV handle) noexcept;
    // A verification context of the machine's default RSA and AES provider.
    static ProviderHandle verifyContext();
    // A key container (CryptAcquireContextW; null names take the defaults).
    static ProviderHandle acquire(LPCWSTR container, LPCWSTR provider, DWORD type, DWORD flags);
    ~ProviderHandle();
    ProviderHandle(ProviderHandle&& other) noexcept;
    ProviderHandle& operator=(ProviderHandle&& other) noexcept;

    HCRYPTPROV get() const noexcept { return m_handle; }

private:
    HCRYPTPROV m_handle = 0;
    bool m_owned = false;
};

class HashHandle {
public:
    // CryptCreateHash on the provider.
    HashHandle(HCRYPTPROV provider, ALG_ID algorithm);
    ~HashHandle();
    HashHandle(const HashHandle&) = delete;
    HashHandle& operator=(const HashHandle&) = delete;

    HCRYPTHASH get() const noexcept { return m_handle; }
    void update(der::View data);
    // HP_HASHVAL: the value, after which the hash takes no more data.
    der::Bytes value() const;
    DWORD size() const;

private:
    HCRYPTHASH m_handle = 0;
};

class KeyHandle {
public:
    // The public key of the key info, imported into the provider.
    KeyHandle(HCRYPTPROV provider, const CERT_PUBLIC_KEY_INFO& key);
    ~KeyHandle();
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;

    HCRYPTKEY get() const noexcept { return m_handle; }

private:
    HCRYPTKEY m_handle = 0;
};

// The ALG_ID of a digest OID; CRYPT_E_UNKNOWN_ALGO when it has none.
ALG_ID digestAlgorithmId(const std::string& oid);

}  // namespace platform::crypt::msg
