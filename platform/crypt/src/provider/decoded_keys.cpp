#include "decoded_keys.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <list>
#include <mutex>

#include "platform/win_error.h"

namespace platform::crypt::provider {

namespace {

constexpr std::size_t kKept = 16;

using Digest = std::array<unsigned char, 32>;

struct Kept {
    Digest digest;
    SharedPKey key;
};

std::mutex& lock() {
    static std::mutex m;
    return m;
}
// Most recently used first.
std::list<Kept>& kept() {
    static std::list<Kept> keys;
    return keys;
}

Digest digestOf(View der) {
    Digest digest{};
    unsigned int size = 0;
    if (EVP_Digest(der.data(), der.size(), digest.data(), &size, EVP_sha256(), nullptr) != 1 || size != digest.size())
        throw WinError(static_cast<DWORD>(NTE_FAIL), "SHA-256 of a key");
    return digest;
}

}  // namespace

SharedPKey decodedPrivateKey(View der, DWORD failureCode) {
    const Digest digest = digestOf(der);
    {
        std::lock_guard guard(lock());
        auto& keys = kept();
        const auto found = std::find_if(keys.begin(), keys.end(), [&](const Kept& k) { return k.digest == digest; });
        if (found != keys.end()) {
            keys.splice(keys.begin(), keys, found);
            return found->key;
        }
    }
    // Decoded outside the lock: another thread may decode the same key at
    // once, and both results are the same key.
    SharedPKey key = share(privateKeyFromDer(der, failureCode));
    std::lock_guard guard(lock());
    auto& keys = kept();
    keys.push_front(Kept{digest, key});
    if (keys.size() > kKept) keys.pop_back();
    return key;
}

void forgetDecodedKeys() noexcept {
    std::list<Kept> dropped;
    {
        std::lock_guard guard(lock());
        dropped.swap(kept());
    }
}

}  // namespace platform::crypt::provider
