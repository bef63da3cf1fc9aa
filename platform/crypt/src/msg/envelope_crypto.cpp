#include "msg/envelope_crypto.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <new>

#include "platform/owned.h"
#include "platform/win_error.h"

namespace platform::crypt::msg::envelope {

namespace {

using Cipher = Owned<EVP_CIPHER, EVP_CIPHER_free>;
using CipherCtx = Owned<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>;
using PKey = Owned<EVP_PKEY, EVP_PKEY_free>;
using PKeyCtx = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;

[[noreturn]] void fail(const char* call) {
    ERR_clear_error();
    throw WinError(NTE_FAIL, call);
}

// A library context with the default and legacy providers, made once.
class CipherLibrary {
public:
    CipherLibrary() : m_context(OSSL_LIB_CTX_new()) {
        if (!m_context) throw std::bad_alloc();
        m_default = OSSL_PROVIDER_load(m_context, "default");
        m_legacy = OSSL_PROVIDER_load(m_context, "legacy");
    }
    ~CipherLibrary() {
        if (m_legacy) OSSL_PROVIDER_unload(m_legacy);
        if (m_default) OSSL_PROVIDER_unload(m_default);
        OSSL_LIB_CTX_free(m_context);
    }
    CipherLibrary(const CipherLibrary&) = delete;
    CipherLibrary& operator=(const CipherLibrary&) = delete;

    Cipher fetch(const char* name) const {
        Cipher cipher(EVP_CIPHER_fetch(m_context, name, nullptr));
        if (!cipher) fail(name);
        return cipher;
    }

private:
    OSSL_LIB_CTX* m_context;
    OSSL_PROVIDER* m_default = nullptr;
    OSSL_PROVIDER* m_legacy = nullptr;
};

const CipherLibrary& library() {
    static const CipherLibrary made;
    return made;
}

// Sets the key length (and RC2's effective bits) before the key goes in.
der::Bytes encryptCbc(const char* name, der::View key, unsigned rc2Bits, der::View iv, der::View plain) {
    const Cipher cipher = library().fetch(name);
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx) throw std::bad_alloc();
    if (EVP_EncryptInit_ex2(ctx.get(), cipher.get(), nullptr, nullptr, nullptr) != 1) fail("EVP_EncryptInit_ex2");
    if (EVP_CIPHER_CTX_set_key_length(ctx.get(), static_cast<int>(key.size())) != 1)
        fail("EVP_CIPHER_CTX_set_key_length");
    if (rc2Bits) {
        const OSSL_PARAM params[] = {OSSL_PARAM_construct_uint(OSSL_CIPHER_PARAM_RC2_KEYBITS, &rc2Bits),
                                     OSSL_PARAM_construct_end()};
        if (EVP_CIPHER_CTX_set_params(ctx.get(), params) != 1) fail("EVP_CIPHER_CTX_set_params");
    }
    if (static_cast<std::size_t>(EVP_CIPHER_CTX_get_iv_length(ctx.get())) != iv.size()) fail("IV length");
    if (EVP_EncryptInit_ex2(ctx.get(), nullptr, key.data(), iv.data(), nullptr) != 1) fail("EVP_EncryptInit_ex2");
    der::Bytes out(plain.size() + static_cast<std::size_t>(EVP_CIPHER_CTX_get_block_size(ctx.get())));
    int written = 0;
    int last = 0;
    if (EVP_EncryptUpdate(ctx.get(), out.data(), &written, plain.data(), static_cast<int>(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), out.data() + written, &last) != 1)
        fail("EVP_Encrypt");
    out.resize(static_cast<std::size_t>(written + last));
    return out;
}

}  // namespace

der::Bytes randomBytes(std::size_t count) {
    der::Bytes bytes(count);
    if (RAND_bytes(bytes.data(), static_cast<int>(count)) != 1) fail("RAND_bytes");
    return bytes;
}

der::Bytes encryptRc2Cbc(der::View key, DWORD effectiveBits, der::View iv, der::View plain) {
    return encryptCbc("RC2-CBC", key, effectiveBits, iv, plain);
}

der::Bytes encryptDes3Cbc(der::View key, der::View iv, der::View plain) {
    return encryptCbc("DES-EDE3-CBC", key, 0, iv, plain);
}

der::Bytes encryptForKey(der::View subjectPublicKeyInfo, der::View contentKey) {
    const unsigned char* at = subjectPublicKeyInfo.data();
    const PKey key(d2i_PUBKEY(nullptr, &at, static_cast<long>(subjectPublicKeyInfo.size())));
    if (!key || EVP_PKEY_base_id(key.get()) != EVP_PKEY_RSA) {
        ERR_clear_error();
        throw WinError(NTE_BAD_PUBLIC_KEY, "the recipient's key is not an RSA key");
    }
    const PKeyCtx ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
    if (!ctx) throw std::bad_alloc();
    std::size_t size = 0;
    if (EVP_PKEY_encrypt_init(ctx.get()) != 1 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1 ||
        EVP_PKEY_encrypt(ctx.get(), nullptr, &size, contentKey.data(), contentKey.size()) != 1)
        fail("EVP_PKEY_encrypt");
    der::Bytes out(size);
    if (EVP_PKEY_encrypt(ctx.get(), out.data(), &size, contentKey.data(), contentKey.size()) != 1)
        fail("EVP_PKEY_encrypt");
    out.resize(size);
    return out;
}

}  // namespace platform::crypt::msg::envelope
