#include "openssl_fixtures.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

namespace crypt_test::openssl {

namespace {

using PKey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

template <class Fn>
Bytes der(Fn&& fn) {
    unsigned char* out = nullptr;
    const int n = fn(&out);
    if (n <= 0) throw std::runtime_error("OpenSSL could not encode");
    Bytes bytes(out, out + n);
    OPENSSL_free(out);
    return bytes;
}

Bytes number(const EVP_PKEY* key, const char* name) {
    BIGNUM* bn = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &bn) != 1) throw std::runtime_error(name);
    Bytes bytes(static_cast<std::size_t>(BN_num_bytes(bn)));
    BN_bn2bin(bn, bytes.data());
    BN_free(bn);
    return bytes;
}

}  // namespace

RsaKey rsaKey(unsigned bits) {
    const PKey key(EVP_RSA_gen(bits), EVP_PKEY_free);
    if (!key) throw std::runtime_error("EVP_RSA_gen");
    RsaKey k;
    k.publicKey = der([&](unsigned char** out) { return i2d_PublicKey(key.get(), out); });
    k.privateKey = der([&](unsigned char** out) { return i2d_PrivateKey(key.get(), out); });
    k.n = number(key.get(), OSSL_PKEY_PARAM_RSA_N);
    k.d = number(key.get(), OSSL_PKEY_PARAM_RSA_D);
    k.p = number(key.get(), OSSL_PKEY_PARAM_RSA_FACTOR1);
    k.coefficient = number(key.get(), OSSL_PKEY_PARAM_RSA_COEFFICIENT1);
    return k;
}

Bytes signedCrl() {
    const PKey key(EVP_RSA_gen(1024), EVP_PKEY_free);
    std::unique_ptr<X509_CRL, decltype(&X509_CRL_free)> crl(X509_CRL_new(), X509_CRL_free);
    X509_CRL_set_version(crl.get(), X509_CRL_VERSION_2);
    std::unique_ptr<X509_NAME, decltype(&X509_NAME_free)> issuer(X509_NAME_new(), X509_NAME_free);
    X509_NAME_add_entry_by_txt(issuer.get(), "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Test CA"),
                               -1, -1, 0);
    X509_CRL_set_issuer_name(crl.get(), issuer.get());
    std::unique_ptr<ASN1_TIME, decltype(&ASN1_TIME_free)> now(ASN1_TIME_set(nullptr, 1'700'000'000), ASN1_TIME_free);
    std::unique_ptr<ASN1_TIME, decltype(&ASN1_TIME_free)> next(ASN1_TIME_set(nullptr, 1'700'000'000 + 7 * 86400),
                                                               ASN1_TIME_free);
    X509_CRL_set1_lastUpdate(crl.get(), now.get());
    X509_CRL_set1_nextUpdate(crl.get(), next.get());
    for (long serial : {0x1234L, 0x80L}) {
        X509_REVOKED* revoked = X509_REVOKED_new();
        std::unique_ptr<ASN1_INTEGER, decltype(&ASN1_INTEGER_free)> n(ASN1_INTEGER_new(), ASN1_INTEGER_free);
        ASN1_INTEGER_set(n.get(), serial);
        X509_REVOKED_set_serialNumber(revoked, n.get());
        X509_REVOKED_set_revocationDate(revoked, now.get());
        std::unique_ptr<ASN1_ENUMERATED, decltype(&ASN1_ENUMERATED_free)> reason(ASN1_ENUMERATED_new(),
                                                                                 ASN1_ENUMERATED_free);
        ASN1_ENUMERATED_set(reason.get(), 1);
        X509_REVOKED_add1_ext_i2d(revoked, NID_crl_reason, reason.get(), 0, 0);
        X509_CRL_add0_revoked(crl.get(), revoked);
    }
    if (X509_CRL_sign(crl.get(), key.get(), EVP_sha256()) <= 0) throw std::runtime_error("X509_CRL_sign");
    return der([&](unsigned char** out) { return i2d_X509_CRL(crl.get(), out); });
}

}  // namespace crypt_test::openssl
