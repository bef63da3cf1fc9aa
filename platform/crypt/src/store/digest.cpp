#include "store/digest.h"

#include "store/last_error.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::store {

namespace {

// A provider handle for the length of one hash: the caller's, or a
// verification context released afterwards.
class ProviderForHash {
public:
    explicit ProviderForHash(HCRYPTPROV given) : m_handle(given) {
        if (m_handle) return;
        if (!CryptAcquireContextW(&m_handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            throwLastError("CryptAcquireContextW");
        m_owned = true;
    }
    ~ProviderForHash() {
        if (m_owned) CryptReleaseContext(m_handle, 0);
    }
    ProviderForHash(const ProviderForHash&) = delete;
    ProviderForHash& operator=(const ProviderForHash&) = delete;
    HCRYPTPROV handle() const noexcept { return m_handle; }

private:
    HCRYPTPROV m_handle = 0;
    bool m_owned = false;
};

class HashObject {
public:
    HashObject(HCRYPTPROV provider, ALG_ID algorithm) {
        if (!CryptCreateHash(provider, algorithm, 0, 0, &m_handle)) throwLastError("CryptCreateHash");
    }
    ~HashObject() { CryptDestroyHash(m_handle); }
    HashObject(const HashObject&) = delete;
    HashObject& operator=(const HashObject&) = delete;
    HCRYPTHASH handle() const noexcept { return m_handle; }

private:
    HCRYPTHASH m_handle = 0;
};

}  // namespace

Bytes digest(ALG_ID algorithm, View data, HCRYPTPROV provider) {
    const ProviderForHash prov(provider);
    const HashObject hash(prov.handle(), algorithm);
    if (!CryptHashData(hash.handle(), data.data(), static_cast<DWORD>(data.size()), 0)) throwLastError("CryptHashData");
    DWORD size = 0;
    if (!CryptGetHashParam(hash.handle(), HP_HASHVAL, nullptr, &size, 0)) throwLastError("CryptGetHashParam");
    Bytes value(size);
    if (!CryptGetHashParam(hash.handle(), HP_HASHVAL, value.data(), &size, 0)) throwLastError("CryptGetHashParam");
    value.resize(size);
    return value;
}

}  // namespace platform::crypt::store
