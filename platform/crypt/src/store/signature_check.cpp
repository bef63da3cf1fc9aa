#include "store/signature_check.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <new>

#include "platform/owned.h"

namespace platform::crypt::store {

namespace {

using PKey = Owned<EVP_PKEY, EVP_PKEY_free>;
using MdCtx = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;

const EVP_MD* digestOf(std::string_view oid) {
    if (oid == "1.2.840.113549.1.1.4" || oid == "1.3.14.3.2.3") return EVP_md5();
    if (oid == "1.2.840.113549.1.1.5" || oid == "1.3.14.3.2.29") return EVP_sha1();
    if (oid == "1.2.840.113549.1.1.14") return EVP_sha224();
    if (oid == "1.2.840.113549.1.1.11") return EVP_sha256();
    if (oid == "1.2.840.113549.1.1.12") return EVP_sha384();
    if (oid == "1.2.840.113549.1.1.13") return EVP_sha512();
    return nullptr;
}

bool verifies(const EVP_MD* md, View signedBytes, View signature, View subjectPublicKeyInfo) {
    const unsigned char* at = subjectPublicKeyInfo.data();
    const PKey key(d2i_PUBKEY(nullptr, &at, static_cast<long>(subjectPublicKeyInfo.size())));
    if (!key || EVP_PKEY_base_id(key.get()) != EVP_PKEY_RSA) return false;
    const MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx) throw std::bad_alloc();
    return EVP_DigestVerifyInit(ctx.get(), nullptr, md, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(ctx.get(), signature.data(), signature.size(), signedBytes.data(), signedBytes.size()) == 1;
}

}  // namespace

bool signatureVerifies(std::string_view algorithmOid, View signedBytes, View signature, View subjectPublicKeyInfo) {
    const EVP_MD* md = digestOf(algorithmOid);
    const bool ok = md && verifies(md, signedBytes, signature, subjectPublicKeyInfo);
    ERR_clear_error();  // a refusal is an answer here, not an error to keep
    return ok;
}

DWORD keyBitsOf(View subjectPublicKeyInfo) {
    const unsigned char* at = subjectPublicKeyInfo.data();
    const PKey key(d2i_PUBKEY(nullptr, &at, static_cast<long>(subjectPublicKeyInfo.size())));
    const int bits = key ? EVP_PKEY_get_bits(key.get()) : 0;
    ERR_clear_error();
    return bits > 0 ? static_cast<DWORD>(bits) : 0;
}

}  // namespace platform::crypt::store
