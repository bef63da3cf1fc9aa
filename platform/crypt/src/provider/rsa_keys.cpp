#include "rsa_keys.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include "platform/win_error.h"

namespace platform::crypt::provider {

namespace {

using ParamBuild = Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using Params = Owned<OSSL_PARAM, OSSL_PARAM_free>;

PKeyCtx contextFor(const EVP_PKEY& key) {
    PKeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, const_cast<EVP_PKEY*>(&key), nullptr));
    if (!ctx) throwOpenSsl(static_cast<DWORD>(NTE_NO_MEMORY), "EVP_PKEY_CTX_new_from_pkey");
    return ctx;
}

Bytes bigEndian(const EVP_PKEY& key, const char* name) {
    BIGNUM* raw = nullptr;
    if (EVP_PKEY_get_bn_param(&key, name, &raw) != 1) return {};
    Bignum bn(raw);
    Bytes out(static_cast<std::size_t>(BN_num_bytes(bn.get())));
    BN_bn2bin(bn.get(), out.data());
    return out;
}

void push(OSSL_PARAM_BLD* build, const char* name, const Bytes& value, std::vector<Bignum>& keep) {
    keep.emplace_back(BN_bin2bn(value.data(), static_cast<int>(value.size()), nullptr));
    if (!keep.back() || OSSL_PARAM_BLD_push_BN(build, name, keep.back().get()) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_NO_MEMORY), "OSSL_PARAM_BLD_push_BN");
}

}  // namespace

PKey generateRsa(DWORD bits) {
    PKeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1) throwOpenSsl(static_cast<DWORD>(NTE_FAIL), "EVP_PKEY_keygen_init");
    if (EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), static_cast<int>(bits)) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_BAD_FLAGS), "EVP_PKEY_CTX_set_rsa_keygen_bits");
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_generate(ctx.get(), &raw) != 1) throwOpenSsl(static_cast<DWORD>(NTE_FAIL), "EVP_PKEY_generate");
    return PKey(raw);
}

DWORD rsaBits(const EVP_PKEY& key) { return static_cast<DWORD>(EVP_PKEY_get_bits(&key)); }

Bytes signPkcs1(const EVP_PKEY& key, View input) {
    auto ctx = contextFor(key);
    if (EVP_PKEY_sign_init(ctx.get()) != 1 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_BAD_KEY), "EVP_PKEY_sign_init");
    std::size_t size = 0;
    if (EVP_PKEY_sign(ctx.get(), nullptr, &size, input.data(), input.size()) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_BAD_KEY), "EVP_PKEY_sign");
    Bytes signature(size);
    if (EVP_PKEY_sign(ctx.get(), signature.data(), &size, input.data(), input.size()) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_BAD_LEN), "EVP_PKEY_sign");
    signature.resize(size);
    return signature;
}

bool verifyPkcs1(const EVP_PKEY& key, View input, View signature) {
    auto ctx = contextFor(key);
    if (EVP_PKEY_verify_init(ctx.get()) != 1 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_BAD_KEY), "EVP_PKEY_verify_init");
    const bool good = EVP_PKEY_verify(ctx.get(), signature.data(), signature.size(), input.data(), input.size()) == 1;
    ERR_clear_error();
    return good;
}

Bytes privateKeyDer(const EVP_PKEY& key) {
    unsigned char* raw = nullptr;
    const int size = i2d_PrivateKey(&key, &raw);
    if (size <= 0) throwOpenSsl(static_cast<DWORD>(NTE_FAIL), "i2d_PrivateKey");
    Bytes out(raw, raw + size);
    OPENSSL_clear_free(raw, static_cast<std::size_t>(size));
    return out;
}

PKey privateKeyFromDer(View der, DWORD failureCode) {
    const unsigned char* p = der.data();
    PKey key(d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(der.size())));
    if (!key || p != der.data() + der.size()) throwOpenSsl(failureCode, "d2i_PrivateKey");
    return key;
}

RsaNumbers rsaNumbersOf(const EVP_PKEY& key, bool withPrivate) {
    RsaNumbers out;
    out.n = bigEndian(key, OSSL_PKEY_PARAM_RSA_N);
    out.e = bigEndian(key, OSSL_PKEY_PARAM_RSA_E);
    if (!withPrivate) return out;
    out.d = bigEndian(key, OSSL_PKEY_PARAM_RSA_D);
    out.p = bigEndian(key, OSSL_PKEY_PARAM_RSA_FACTOR1);
    out.q = bigEndian(key, OSSL_PKEY_PARAM_RSA_FACTOR2);
    out.dp = bigEndian(key, OSSL_PKEY_PARAM_RSA_EXPONENT1);
    out.dq = bigEndian(key, OSSL_PKEY_PARAM_RSA_EXPONENT2);
    out.qinv = bigEndian(key, OSSL_PKEY_PARAM_RSA_COEFFICIENT1);
    return out;
}

PKey rsaKeyFrom(const RsaNumbers& numbers) {
    const bool pair = !numbers.d.empty();
    ParamBuild build(OSSL_PARAM_BLD_new());
    if (!build) throwOpenSsl(static_cast<DWORD>(NTE_NO_MEMORY), "OSSL_PARAM_BLD_new");
    std::vector<Bignum> keep;
    push(build.get(), OSSL_PKEY_PARAM_RSA_N, numbers.n, keep);
    push(build.get(), OSSL_PKEY_PARAM_RSA_E, numbers.e, keep);
    if (pair) {
        push(build.get(), OSSL_PKEY_PARAM_RSA_D, numbers.d, keep);
        push(build.get(), OSSL_PKEY_PARAM_RSA_FACTOR1, numbers.p, keep);
        push(build.get(), OSSL_PKEY_PARAM_RSA_FACTOR2, numbers.q, keep);
        push(build.get(), OSSL_PKEY_PARAM_RSA_EXPONENT1, numbers.dp, keep);
        push(build.get(), OSSL_PKEY_PARAM_RSA_EXPONENT2, numbers.dq, keep);
        push(build.get(), OSSL_PKEY_PARAM_RSA_COEFFICIENT1, numbers.qinv, keep);
    }
    Params params(OSSL_PARAM_BLD_to_param(build.get()));
    PKeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* raw = nullptr;
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) != 1 ||
        EVP_PKEY_fromdata(ctx.get(), &raw, pair ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_BAD_DATA), "EVP_PKEY_fromdata");
    PKey key(raw);
    // Numbers that do not make a key (an even modulus, a pair whose halves
    // do not match) would sign or verify garbage.
    auto check = contextFor(*key);
    if ((pair ? EVP_PKEY_pairwise_check(check.get()) : EVP_PKEY_public_check(check.get())) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_BAD_DATA), "EVP_PKEY check");
    return key;
}

}  // namespace platform::crypt::provider
