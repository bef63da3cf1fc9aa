#include "msg/content_hashes.h"

#include <algorithm>
#include <optional>

#include "platform/win_error.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace platform::crypt::msg {

namespace {

[[noreturn]] void throwLastError(const char* call) { throw WinError(GetLastError(), call); }

// A verify context of the default type-24 provider, released when the
// hashes made through it have been created (they keep it alive).
class DefaultProvider {
public:
    DefaultProvider() {
        if (!CryptAcquireContextW(&m_handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            throwLastError("CryptAcquireContext");
    }
    ~DefaultProvider() { CryptReleaseContext(m_handle, 0); }
    DefaultProvider(const DefaultProvider&) = delete;
    DefaultProvider& operator=(const DefaultProvider&) = delete;
    HCRYPTPROV handle() const noexcept { return m_handle; }

private:
    HCRYPTPROV m_handle = 0;
};

}  // namespace

ContentHashes::ContentHashes(HCRYPTPROV provider, const std::vector<SignerInfo>& signers) {
    std::optional<DefaultProvider> fallback;
    if (!provider && !signers.empty()) provider = fallback.emplace().handle();
    try {
        for (const SignerInfo& signer : signers) {
            const ALG_ID algorithm = CertOIDToAlgId(signer.digestOid.c_str());
            if (!algorithm) throw WinError(CRYPT_E_UNKNOWN_ALGO, "digest algorithm " + signer.digestOid);
            HCRYPTHASH hash = 0;
            if (!CryptCreateHash(provider, algorithm, 0, 0, &hash)) throwLastError("CryptCreateHash");
            m_hashes.push_back(hash);
        }
    } catch (...) {
        for (HCRYPTHASH hash : m_hashes) CryptDestroyHash(hash);
        throw;
    }
}

ContentHashes::~ContentHashes() {
    for (HCRYPTHASH hash : m_hashes) CryptDestroyHash(hash);
}

void ContentHashes::update(View data) {
    if (m_finished) throw WinError(CRYPT_E_MSG_ERROR, "the content is complete");
    constexpr std::size_t kPiece = 0x7FFFFFFF;
    for (std::size_t at = 0; at < data.size(); at += kPiece) {
        const auto piece = static_cast<DWORD>(std::min(kPiece, data.size() - at));
        for (HCRYPTHASH hash : m_hashes)
            if (!CryptHashData(hash, data.data() + at, piece, 0)) throwLastError("CryptHashData");
    }
}

void ContentHashes::finish() {
    for (HCRYPTHASH hash : m_hashes) {
        DWORD size = 0;
        if (!CryptGetHashParam(hash, HP_HASHVAL, nullptr, &size, 0)) throwLastError("CryptGetHashParam");
        Bytes value(size);
        if (!CryptGetHashParam(hash, HP_HASHVAL, value.data(), &size, 0)) throwLastError("CryptGetHashParam");
        value.resize(size);
        m_values.push_back(std::move(value));
    }
    m_finished = true;
}

const Bytes& ContentHashes::value(DWORD signer) const {
    if (signer >= m_values.size()) throw WinError(CRYPT_E_INVALID_INDEX, "no such signer");
    return m_values[signer];
}

}  // namespace platform::crypt::msg
