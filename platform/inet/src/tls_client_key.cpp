// tls_client_key.cpp: an RSA key whose private operation is a provider's
// signature. OpenSSL reaches a key it does not hold only through a key
// method of its own kind; the RSA method API that offers this is deprecated
// in OpenSSL 3 but is the one that works for a legacy-style key in TLS.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "tls_client_key.h"

#include <openssl/rsa.h>

#include <cstring>

#include "platform/owned.h"

namespace platform::inet {

namespace {

using Rsa = Owned<RSA, RSA_free>;
using PKey = Owned<EVP_PKEY, EVP_PKEY_free>;

int credentialIndex() {
    static const int index = RSA_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

bool digestOf(int nid, Digest& digest) {
    switch (nid) {
    case NID_sha1: digest = Digest::Sha1; return true;
    case NID_sha256: digest = Digest::Sha256; return true;
    case NID_sha384: digest = Digest::Sha384; return true;
    case NID_sha512: digest = Digest::Sha512; return true;
    default: return false;
    }
}

// RSA_sign's hook: OpenSSL asks for a PKCS #1 v1.5 signature of a digest.
int signWithProvider(int type, const unsigned char* m, unsigned int mLength, unsigned char* signature,
                     unsigned int* signatureLength, const RSA* rsa) {
    const auto* credential = static_cast<const ClientCredential*>(RSA_get_ex_data(rsa, credentialIndex()));
    Digest digest;
    if (!credential || !digestOf(type, digest)) return 0;
    try {
        const auto bytes = credential->sign(digest, {m, mLength});
        if (bytes.size() > static_cast<std::size_t>(RSA_size(rsa))) return 0;
        std::memcpy(signature, bytes.data(), bytes.size());
        *signatureLength = static_cast<unsigned int>(bytes.size());
        return 1;
    } catch (...) {
        return 0;  // the handshake fails; the provider's error is in the last error
    }
}

const RSA_METHOD* providerMethod() {
    static RSA_METHOD* method = [] {
        RSA_METHOD* m = RSA_meth_dup(RSA_get_default_method());
        RSA_meth_set1_name(m, "CryptoAPI provider key");
        RSA_meth_set_sign(m, signWithProvider);
        return m;
    }();
    return method;
}

}  // namespace

EVP_PKEY* providerBackedKey(X509* certificate, const ClientCredential& credential) {
    PKey publicKey(X509_get_pubkey(certificate));
    if (!publicKey || EVP_PKEY_get_base_id(publicKey.get()) != EVP_PKEY_RSA) return nullptr;
    const RSA* source = EVP_PKEY_get0_RSA(publicKey.get());
    Rsa rsa(RSA_new());
    if (!rsa) return nullptr;
    // The method comes first: OpenSSL decides when the key is assigned that
    // it cannot hand this key to its providers and must sign through it.
    RSA_set_method(rsa.get(), providerMethod());
    BIGNUM* n = BN_dup(RSA_get0_n(source));
    BIGNUM* e = BN_dup(RSA_get0_e(source));
    if (!n || !e || RSA_set0_key(rsa.get(), n, e, nullptr) != 1) {
        BN_free(n);
        BN_free(e);
        return nullptr;
    }
    RSA_set_ex_data(rsa.get(), credentialIndex(), const_cast<ClientCredential*>(&credential));
    PKey key(EVP_PKEY_new());
    if (!key || EVP_PKEY_assign_RSA(key.get(), rsa.get()) != 1) return nullptr;
    rsa.release();
    return key.release();
}

}  // namespace platform::inet
