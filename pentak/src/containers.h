// Key containers as the enrolment library reads and writes them: acquired
// contexts and keys that release themselves, the certificate on a key, the
// key's public key and length, and the containers of the session's CSP
// store.
#pragma once

#include <string>
#include <vector>

#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "key_records.h"
#include "win32/crypt_provider.h"

// A provider context released when it goes out of scope.
class AcquiredContext {
public:
    AcquiredContext() = default;
    ~AcquiredContext() { Release(); }
    AcquiredContext(const AcquiredContext&) = delete;
    AcquiredContext& operator=(const AcquiredContext&) = delete;

    // Releases a held context first; false with the last error set.
    bool Acquire(const std::u16string& container, const std::u16string& provider, DWORD type, DWORD flags);
    void Release();
    HCRYPTPROV get() const noexcept { return m_handle; }

private:
    HCRYPTPROV m_handle = 0;
};

// The provider's key pair of that spec (CryptGetUserKey), destroyed when
// it goes out of scope; get() is 0, with the last error set, when there is
// no such key.
class UserKey {
public:
    UserKey(HCRYPTPROV provider, DWORD keySpec) {
        if (!CryptGetUserKey(provider, keySpec, &m_key)) m_key = 0;
    }
    ~UserKey() {
        if (m_key) CryptDestroyKey(m_key);
    }
    UserKey(const UserKey&) = delete;
    UserKey& operator=(const UserKey&) = delete;
    HCRYPTKEY get() const noexcept { return m_key; }

private:
    HCRYPTKEY m_key = 0;
};

// Sets the certificate on the provider's key of that spec. A key that
// already holds it (NTE_EXISTS) counts as done.
bool SetContainerCertificate(HCRYPTPROV provider, DWORD keySpec, PCCERT_CONTEXT certificate);

// The certificate the provider's key of that spec holds; false when the
// key or its certificate is missing.
bool GetContainerCertificate(HCRYPTPROV provider, DWORD keySpec, std::vector<BYTE>& out);

// The length in bits of the provider's key of that spec, from its exported
// public key.
bool KeyBitLength(HCRYPTPROV provider, DWORD keySpec, DWORD& bits);

// The public key of the provider's key pair of that spec, a
// CERT_PUBLIC_KEY_INFO at the start of out.
bool ExportPublicKeyInfo(HCRYPTPROV provider, DWORD keySpec, RecordBuffer& out);

// The DER X.509 encoding of a public key.
bool EncodePublicKeyInfo(const CERT_PUBLIC_KEY_INFO& publicKey, std::vector<BYTE>& out);

// Reads the container (its full name, reader included): the names, and for
// the exchange key and then the signature key its public key, length and
// certificate. The signature key is left out when it is the exchange key.
bool LoadContainerEntry(const std::u16string& provider, DWORD type, const std::u16string& fullName,
                        CspStoreEntry& out);
// Appends an entry for each container name in the reader (an empty entry
// for one that cannot be read); the result of the last one.
bool LoadContainerEntries(const std::u16string& provider, DWORD type, const std::u16string& reader,
                          const std::vector<std::u16string>& names, std::vector<CspStoreEntry>& out);
// A memory store of the certificates the entries hold, in their order.
OwnedCertStore MemoryStoreOfEntries(const std::vector<CspStoreEntry>& entries);
