// RSA, RSA-PSS and EC keys, generated once per size or curve and name in a test
// process, and their PKCS#1 and PKCS#8 encodings.
#include <openssl/encoder.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "pki_openssl.h"

namespace testkit::pki {

namespace {

using detail::require;

using Encoder = detail::Owned<OSSL_ENCODER_CTX, OSSL_ENCODER_CTX_free>;

// structure "type-specific" (PKCS#1) or "PrivateKeyInfo" (PKCS#8).
Bytes der(const EVP_PKEY* pkey, const char* structure) {
    Encoder encoder(require(OSSL_ENCODER_CTX_new_for_pkey(pkey, EVP_PKEY_KEYPAIR, "DER", structure, nullptr),
                            "OSSL_ENCODER_CTX_new_for_pkey"));
    unsigned char* data = nullptr;
    std::size_t size = 0;
    require(OSSL_ENCODER_to_data(encoder.get(), &data, &size) == 1, "OSSL_ENCODER_to_data");
    Bytes out(data, data + size);
    OPENSSL_free(data);
    return out;
}

// The PKCS#8 of the key of that kind and name, generated on first use.
Bytes madeOnce(const std::string& kind, std::string_view name, const std::function<EVP_PKEY*()>& generate) {
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::string>, Bytes> made;
    const std::lock_guard lock(mutex);
    auto& pkcs8 = made[{kind, std::string(name)}];
    if (pkcs8.empty()) {
        const detail::PKey pkey(require(generate(), "key generation"));
        pkcs8 = der(pkey.get(), "PrivateKeyInfo");
    }
    return pkcs8;
}

}  // namespace

Key Key::rsa(unsigned bits, std::string_view name) {
    return Key(madeOnce("rsa" + std::to_string(bits), name, [bits] { return EVP_RSA_gen(bits); }));
}

Key Key::rsaPss(std::string_view name) {
    return Key(madeOnce("rsa-pss", name, []() -> EVP_PKEY* {
        const detail::Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free> ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA-PSS", nullptr));
        EVP_PKEY* pkey = nullptr;
        const bool made = ctx && EVP_PKEY_keygen_init(ctx.get()) == 1 &&
                          EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), 2048) == 1 &&
                          EVP_PKEY_generate(ctx.get(), &pkey) == 1;
        return made ? pkey : nullptr;
    }));
}

Key Key::ec(std::string_view curve, std::string_view name) {
    const std::string named(curve);
    return Key(madeOnce(named, name, [&named] { return EVP_EC_gen(named.c_str()); }));
}

Key Key::fromPemFile(const std::filesystem::path& file) {
    const detail::Owned<FILE, fclose> in(require(std::fopen(file.c_str(), "r"), "fopen"));
    const detail::PKey pkey(require(PEM_read_PrivateKey(in.get(), nullptr, nullptr, nullptr), "PEM_read_PrivateKey"));
    return Key(der(pkey.get(), "PrivateKeyInfo"));
}

std::string Key::pkcs8Pem() const { return detail::pemOf("PRIVATE KEY", m_pkcs8); }

Bytes Key::pkcs1Der() const { return der(detail::toOpenssl(*this).get(), "type-specific"); }

std::string Key::pkcs1Pem() const { return detail::pemOf("RSA PRIVATE KEY", pkcs1Der()); }

}  // namespace testkit::pki
