// hashes.cpp: the incremental hashes the library offers, over OpenSSL's
// digests. A context remembers its algorithm, so that a context handed to
// another algorithm's functions is refused.
#include "failure.h"
#include "ossl.h"

struct TtiHash {
    const EVP_MD* md;
    tti::MdCtx context;
};

namespace tti {

namespace {

int init(const EVP_MD* md, TtiHash** context) {
    if (!context) return TTI_E_PARAMETER;
    MdCtx digest(EVP_MD_CTX_new());
    if (!digest) throw std::bad_alloc();
    if (EVP_DigestInit_ex(digest.get(), md, nullptr) != 1) return TTI_E_ASN_RESULT;
    *context = new TtiHash{md, std::move(digest)};
    return TTI_OK;
}

int update(const EVP_MD* md, TtiHash* context, const std::uint8_t* data, std::uint32_t length) {
    if (!context || context->md != md || (!data && length)) return TTI_E_PARAMETER;
    return EVP_DigestUpdate(context->context.get(), data, length) == 1 ? TTI_OK : TTI_E_ASN_RESULT;
}

int final(const EVP_MD* md, TtiHash* context, std::uint8_t* digest, std::uint32_t* digestLength) {
    if (!context || context->md != md || !digestLength) return TTI_E_PARAMETER;
    const std::uint32_t room = *digestLength;
    *digestLength = static_cast<std::uint32_t>(EVP_MD_get_size(md));
    if (!digest) return TTI_OK;
    if (room < *digestLength) return TTI_E_BUFFER_TOO_SMALL;
    const std::unique_ptr<TtiHash> released(context);
    unsigned int written = 0;
    return EVP_DigestFinal_ex(context->context.get(), digest, &written) == 1 ? TTI_OK : TTI_E_ASN_RESULT;
}

}  // namespace

}  // namespace tti

#define TTI_DEFINE_HASH(NAME, MD)                                                                         \
    TTI_API int TTI_##NAME##_Init(TtiHash** context) {                                                    \
        return tti::guarded([&] { return tti::init(MD(), context); });                                    \
    }                                                                                                     \
    TTI_API int TTI_##NAME##_Update(TtiHash* context, const std::uint8_t* data, std::uint32_t length) {   \
        return tti::guarded([&] { return tti::update(MD(), context, data, length); });                    \
    }                                                                                                     \
    TTI_API int TTI_##NAME##_Final(TtiHash* context, std::uint8_t* digest, std::uint32_t* digestLength) { \
        return tti::guarded([&] { return tti::final(MD(), context, digest, digestLength); });             \
    }
TTI_DEFINE_HASH(SHA1, EVP_sha1)
TTI_DEFINE_HASH(SHA256, EVP_sha256)
TTI_DEFINE_HASH(SHA384, EVP_sha384)
TTI_DEFINE_HASH(SHA512, EVP_sha512)
TTI_DEFINE_HASH(MD5, EVP_md5)
