#include "store/signature_check.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <array>
#include <new>
#include <optional>

#include "der/der.h"
#include "platform/owned.h"
#include "store/pss_parameters.h"

namespace platform::crypt::store {

namespace {

using PKey = Owned<EVP_PKEY, EVP_PKEY_free>;
using PKeyCtx = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;

constexpr std::string_view kMd5 = "1.2.840.113549.2.5";
constexpr std::string_view kSha1 = "1.3.14.3.2.26";
constexpr std::string_view kSha224 = "2.16.840.1.101.3.4.2.4";
constexpr std::string_view kSha256 = "2.16.840.1.101.3.4.2.1";
constexpr std::string_view kSha384 = "2.16.840.1.101.3.4.2.2";
constexpr std::string_view kSha512 = "2.16.840.1.101.3.4.2.3";
constexpr std::string_view kRsaSsaPss = "1.2.840.113549.1.1.10";

const EVP_MD* hashOf(std::string_view oid) {
    if (oid == kMd5) return EVP_md5();
    if (oid == kSha1) return EVP_sha1();
    if (oid == kSha224) return EVP_sha224();
    if (oid == kSha256) return EVP_sha256();
    if (oid == kSha384) return EVP_sha384();
    if (oid == kSha512) return EVP_sha512();
    return nullptr;
}

// Signature algorithms whose OID says it all: the key's kind and the hash.
struct Named {
    std::string_view oid;
    int keyType;
    std::string_view hashOid;
};
constexpr std::array kNamed{
    Named{"1.2.840.113549.1.1.4", EVP_PKEY_RSA, kMd5},     Named{"1.3.14.3.2.3", EVP_PKEY_RSA, kMd5},
    Named{"1.2.840.113549.1.1.5", EVP_PKEY_RSA, kSha1},    Named{"1.3.14.3.2.29", EVP_PKEY_RSA, kSha1},
    Named{"1.2.840.113549.1.1.14", EVP_PKEY_RSA, kSha224}, Named{"1.2.840.113549.1.1.11", EVP_PKEY_RSA, kSha256},
    Named{"1.2.840.113549.1.1.12", EVP_PKEY_RSA, kSha384}, Named{"1.2.840.113549.1.1.13", EVP_PKEY_RSA, kSha512},
    Named{"1.2.840.10045.4.1", EVP_PKEY_EC, kSha1},        Named{"1.2.840.10045.4.3.1", EVP_PKEY_EC, kSha224},
    Named{"1.2.840.10045.4.3.2", EVP_PKEY_EC, kSha256},    Named{"1.2.840.10045.4.3.3", EVP_PKEY_EC, kSha384},
    Named{"1.2.840.10045.4.3.4", EVP_PKEY_EC, kSha512},
};

// How a signature is checked: the key's kind, the RSA padding (none for
// ECDSA), the hash and, for PSS, the mask's hash and the salt's length.
struct Scheme {
    int keyType = EVP_PKEY_RSA;
    int padding = 0;
    const EVP_MD* md = nullptr;
    const EVP_MD* mgf1 = nullptr;
    int saltLength = 0;
};

std::optional<Scheme> schemeOf(const SignatureAlgorithm& algorithm) {
    if (algorithm.oid == kRsaSsaPss) {
        const auto pss = pssParametersOf(algorithm.parameters);
        if (!pss || !hashOf(pss->hashOid) || !hashOf(pss->mgf1HashOid)) return std::nullopt;
        return Scheme{EVP_PKEY_RSA, RSA_PKCS1_PSS_PADDING, hashOf(pss->hashOid), hashOf(pss->mgf1HashOid),
                      pss->saltLength};
    }
    for (const Named& named : kNamed)
        if (named.oid == algorithm.oid)
            return Scheme{named.keyType, named.keyType == EVP_PKEY_RSA ? RSA_PKCS1_PADDING : 0,
                          hashOf(named.hashOid)};
    return std::nullopt;
}

// The key's SubjectPublicKeyInfo with the parameters as decoded, absent
// ones left out.
PKey keyOf(const CERT_PUBLIC_KEY_INFO& info) {
    if (!info.Algorithm.pszObjId) return nullptr;
    const View parameters = viewOf(info.Algorithm.Parameters);
    const der::Bytes algorithm = der::wrap(der::kSequence, {der::oid(info.Algorithm.pszObjId), parameters});
    const der::Bytes spki =
        der::wrap(der::kSequence, {algorithm, der::bitString(viewOf(info.PublicKey), info.PublicKey.cUnusedBits)});
    const unsigned char* at = spki.data();
    return PKey(d2i_PUBKEY(nullptr, &at, static_cast<long>(spki.size())));
}

bool keyFits(const Scheme& scheme, const EVP_PKEY* key) {
    const int type = EVP_PKEY_get_base_id(key);
    return type == scheme.keyType || (scheme.padding == RSA_PKCS1_PSS_PADDING && type == EVP_PKEY_RSA_PSS);
}

SignatureCheck checkHash(const Scheme& scheme, View hash, View signature, const CERT_PUBLIC_KEY_INFO& info) {
    const PKey key = keyOf(info);
    if (!key) return SignatureCheck::Fails;
    if (!keyFits(scheme, key.get())) return SignatureCheck::UnknownAlgorithm;
    const PKeyCtx ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
    if (!ctx) throw std::bad_alloc();
    const bool pss = scheme.padding == RSA_PKCS1_PSS_PADDING;
    // An RSA-PSS key may allow only some hashes and salt lengths.
    const bool ready = EVP_PKEY_verify_init(ctx.get()) == 1 &&
                       (!scheme.padding || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), scheme.padding) == 1) &&
                       EVP_PKEY_CTX_set_signature_md(ctx.get(), scheme.md) == 1 &&
                       (!pss || (EVP_PKEY_CTX_set_rsa_mgf1_md(ctx.get(), scheme.mgf1) == 1 &&
                                 EVP_PKEY_CTX_set_rsa_pss_saltlen(ctx.get(), scheme.saltLength) == 1));
    if (!ready) return SignatureCheck::UnknownAlgorithm;
    return EVP_PKEY_verify(ctx.get(), signature.data(), signature.size(), hash.data(), hash.size()) == 1
               ? SignatureCheck::Verifies
               : SignatureCheck::Fails;
}

// A refusal is an answer here, not an error to keep.
template <class Check>
SignatureCheck answered(Check check) {
    const SignatureCheck result = check();
    ERR_clear_error();
    return result;
}

}  // namespace

SignatureCheck checkSignature(const SignatureAlgorithm& algorithm, View signedBytes, View signature,
                              const CERT_PUBLIC_KEY_INFO& key) {
    return answered([&] {
        const auto scheme = schemeOf(algorithm);
        if (!scheme) return SignatureCheck::UnknownAlgorithm;
        unsigned char hash[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (EVP_Digest(signedBytes.data(), signedBytes.size(), hash, &size, scheme->md, nullptr) != 1)
            return SignatureCheck::UnknownAlgorithm;
        return checkHash(*scheme, View(hash, size), signature, key);
    });
}

SignatureCheck checkSignatureOfHash(const SignatureAlgorithm& algorithm, View hash, View signature,
                                    const CERT_PUBLIC_KEY_INFO& key) {
    return answered([&] {
        const auto scheme = schemeOf(algorithm);
        return scheme ? checkHash(*scheme, hash, signature, key) : SignatureCheck::UnknownAlgorithm;
    });
}

DWORD keyBitsOf(const CERT_PUBLIC_KEY_INFO& info) {
    const PKey key = keyOf(info);
    const int bits = key ? EVP_PKEY_get_bits(key.get()) : 0;
    ERR_clear_error();
    return bits > 0 ? static_cast<DWORD>(bits) : 0;
}

}  // namespace platform::crypt::store
