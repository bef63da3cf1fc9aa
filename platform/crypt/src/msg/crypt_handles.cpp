#include "msg/crypt_handles.h"

#include <algorithm>
#include <utility>

#include "platform/win_error.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace platform::crypt::msg {

void throwLastError(const char* call) { throw WinError(GetLastError(), call); }

ProviderHandle ProviderHandle::borrowed(HCRYPTPROV handle) noexcept {
    ProviderHandle p;
    p.m_handle = handle;
    return p;
}

ProviderHandle ProviderHandle::verifyContext() {
    ProviderHandle p;
    if (!CryptAcquireContextW(&p.m_handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        throwLastError("CryptAcquireContext");
    p.m_owned = true;
    return p;
}

ProviderHandle ProviderHandle::acquire(LPCWSTR container, LPCWSTR provider, DWORD type, DWORD flags) {
    ProviderHandle p;
    if (!CryptAcquireContextW(&p.m_handle, container, provider, type, flags))
        throwLastError("CryptAcquireContext");
    p.m_owned = true;
    return p;
}

ProviderHandle::~ProviderHandle() {
    if (m_owned) CryptReleaseContext(m_handle, 0);
}

ProviderHandle::ProviderHandle(ProviderHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, 0)), m_owned(std::exchange(other.m_owned, false)) {}

ProviderHandle& ProviderHandle::operator=(ProviderHandle&& other) noexcept {
    if (this != &other) {
        if (m_owned) CryptReleaseContext(m_handle, 0);
        m_handle = std::exchange(other.m_handle, 0);
        m_owned = std::exchange(other.m_owned, false);
    }
    return *this;
}

HashHandle::HashHandle(HCRYPTPROV provider, ALG_ID algorithm) {
    if (!CryptCreateHash(provider, algorithm, 0, 0, &m_handle)) throwLastError("CryptCreateHash");
}

HashHandle::~HashHandle() { CryptDestroyHash(m_handle); }

void HashHandle::update(der::View data) {
    constexpr std::size_t kPiece = 0x7FFFFFFF;
    for (std::size_t at = 0; at < data.size(); at += kPiece) {
        const auto piece = static_cast<DWORD>(std::min(kPiece, data.size() - at));
        if (!CryptHashData(m_handle, data.data() + at, piece, 0)) throwLastError("CryptHashData");
    }
}

der::Bytes HashHandle::value() const {
    DWORD size = this->size();
    der::Bytes value(size);
    if (!CryptGetHashParam(m_handle, HP_HASHVAL, value.data(), &size, 0)) throwLastError("CryptGetHashParam");
    value.resize(size);
    return value;
}

DWORD HashHandle::size() const {
    DWORD size = 0;
    DWORD cb = sizeof size;
    if (!CryptGetHashParam(m_handle, HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &cb, 0))
        throwLastError("CryptGetHashParam");
    return size;
}

KeyHandle::KeyHandle(HCRYPTPROV provider, const CERT_PUBLIC_KEY_INFO& key) {
    if (!CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING, const_cast<PCERT_PUBLIC_KEY_INFO>(&key), &m_handle))
        throwLastError("CryptImportPublicKeyInfo");
}

KeyHandle::~KeyHandle() { CryptDestroyKey(m_handle); }

ALG_ID digestAlgorithmId(const std::string& oid) {
    const ALG_ID algorithm = CertOIDToAlgId(oid.c_str());
    if (GET_ALG_CLASS(algorithm) != ALG_CLASS_HASH)
        throw WinError(CRYPT_E_UNKNOWN_ALGO, "digest algorithm " + oid);
    return algorithm;
}

}  // namespace platform::crypt::msg
