#include "handles.h"

#include "platform/win_error.h"

namespace platform::crypt::provider {

// Each table counts in a range of its own, so that a handle of one type is
// never a valid handle of another.
HandleTable<ProviderContext>& contexts() {
    static HandleTable<ProviderContext> table(static_cast<DWORD>(NTE_BAD_UID), 0x100000);
    return table;
}

HandleTable<KeyObject>& keys() {
    static HandleTable<KeyObject> table(static_cast<DWORD>(NTE_BAD_KEY), 0x40000000);
    return table;
}

HandleTable<HashObject>& hashes() {
    static HandleTable<HashObject> table(static_cast<DWORD>(NTE_BAD_HASH), 0x80000000u);
    return table;
}

HashObject::HashObject(std::shared_ptr<ProviderContext> context, const HashAlgorithm& algorithm)
    : m_context(std::move(context)), m_algorithm(algorithm), m_digest(EVP_MD_CTX_new()) {
    if (!m_digest || EVP_DigestInit_ex(m_digest.get(), EVP_get_digestbyname(algorithm.opensslName), nullptr) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_BAD_ALGID), "EVP_DigestInit_ex");
}

void HashObject::update(View data) {
    if (m_value) throw WinError(NTE_BAD_HASH_STATE, "the hash is finished");
    if (EVP_DigestUpdate(m_digest.get(), data.data(), data.size()) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_FAIL), "EVP_DigestUpdate");
}

const Bytes& HashObject::value() {
    if (!m_value) {
        Bytes out(EVP_MAX_MD_SIZE);
        unsigned int size = 0;
        if (EVP_DigestFinal_ex(m_digest.get(), out.data(), &size) != 1)
            throwOpenSsl(static_cast<DWORD>(NTE_FAIL), "EVP_DigestFinal_ex");
        out.resize(size);
        m_value = std::move(out);
    }
    return *m_value;
}

void HashObject::setValue(View value) { m_value.emplace(value.begin(), value.end()); }

}  // namespace platform::crypt::provider
