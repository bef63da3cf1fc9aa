// The objects behind HCRYPTPROV, HCRYPTKEY and HCRYPTHASH, and their handle
// tables: a stale or forged handle gives NTE_BAD_UID, NTE_BAD_KEY or
// NTE_BAD_HASH, as Windows does for each type.
#pragma once

#include <mutex>

#include "csp.h"
#include "hash_algorithms.h"
#include "openssl_types.h"
#include "platform/handle_table.h"
#include "win32/crypt_types.h"

namespace platform::crypt::provider {

struct ProviderContext {
    ProviderEntry provider;
    std::unique_ptr<Csp> csp;
    std::unique_ptr<Keyset> keyset;
    HCRYPTPROV handle = 0;
    // Where PP_ENUMALGS, PP_ENUMALGS_EX and PP_ENUMCONTAINERS stand.
    std::mutex mutex;
    std::size_t algorithmCursor = 0;
    std::size_t algorithmExCursor = 0;
    std::optional<std::vector<std::u16string>> containers;
    std::size_t containerCursor = 0;
};

struct KeyObject {
    std::shared_ptr<Key> key;
    std::shared_ptr<ProviderContext> context;
};

// As on Windows, once the value has been read, set or signed the hash takes
// no more data.
class HashObject {
public:
    HashObject(std::shared_ptr<ProviderContext> context, const HashAlgorithm& algorithm);
    ProviderContext& context() const noexcept { return *m_context; }
    const HashAlgorithm& algorithm() const noexcept { return m_algorithm; }
    void update(View data);
    // Finishes the hash.
    const Bytes& value();
    void setValue(View value);

private:
    std::shared_ptr<ProviderContext> m_context;
    const HashAlgorithm& m_algorithm;
    MdCtx m_digest;
    std::optional<Bytes> m_value;
};

HandleTable<ProviderContext>& contexts();
HandleTable<KeyObject>& keys();
HandleTable<HashObject>& hashes();

}  // namespace platform::crypt::provider
