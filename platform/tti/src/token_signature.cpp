// token_signature.cpp: the token's signer: its certificate, its signature
// and the ESS signing-certificate attribute that binds the two (RFC 3161
// 2.4.2, RFC 2634 5.4, RFC 5035).
#include <openssl/objects.h>

#include "buffers.h"
#include "failure.h"
#include "ossl.h"
#include "token.h"
#include "values.h"

namespace tti {

namespace {

// RFC 3161 allows one signer; its certificate must be in the token.
X509* signerCertificate(PKCS7* token) {
    if (sk_PKCS7_SIGNER_INFO_num(PKCS7_get_signer_info(token)) != 1) fail(TTI_E_NOT_A_TOKEN);
    const CertStack signers(PKCS7_get0_signers(token, nullptr, 0));
    if (!signers || sk_X509_num(signers.get()) != 1) fail(TTI_E_NO_TSA_CERT);
    return sk_X509_value(signers.get(), 0);
}

// A signed attribute holding a SEQUENCE, decoded with d2i.
template <class Owned, class D2i>
Owned signedAttribute(PKCS7_SIGNER_INFO* signer, int nid, D2i d2i) {
    const ASN1_TYPE* value = PKCS7_get_signed_attribute(signer, nid);
    if (!value || value->type != V_ASN1_SEQUENCE) return Owned();
    const unsigned char* p = value->value.sequence->data;
    Owned decoded(d2i(nullptr, &p, value->value.sequence->length));
    if (!decoded) fail(TTI_E_ESS_CERT_ID);
    return decoded;
}

void checkSigningCertificateAttribute(PKCS7* token, X509* signer) {
    PKCS7_SIGNER_INFO* info = sk_PKCS7_SIGNER_INFO_value(PKCS7_get_signer_info(token), 0);
    const auto v1 = signedAttribute<EssSigningCert>(info, NID_id_smime_aa_signingCertificate, d2i_ESS_SIGNING_CERT);
    const auto v2 =
        signedAttribute<EssSigningCertV2>(info, NID_id_smime_aa_signingCertificateV2, d2i_ESS_SIGNING_CERT_V2);
    // The signer first, then every other certificate the attribute may name.
    const CertStack chain(sk_X509_new_null());
    if (!chain || !sk_X509_push(chain.get(), signer)) throw std::bad_alloc();
    const STACK_OF(X509)* carried = token->d.sign->cert;
    for (int i = 0; i < sk_X509_num(carried); ++i)
        if (X509* other = sk_X509_value(carried, i); X509_cmp(other, signer) != 0 && !sk_X509_push(chain.get(), other))
            throw std::bad_alloc();
    const int matched = OSSL_ESS_check_signing_certs(v1.get(), v2.get(), chain.get(), 1);
    if (matched != 1) fail(TTI_E_ESS_CERT_ID);
}

}  // namespace

}  // namespace tti

TTI_API int TTI_VerifyTST_Signature(const std::uint8_t* token, std::uint32_t length) {
    return tti::guarded([&] {
        const tti::Pkcs7 pkcs7 = tti::decodeToken(tti::input(token, length));
        X509* signer = tti::signerCertificate(pkcs7.get());
        // RFC 3161 2.3: the only extended key usage of a TSA's certificate is timeStamping.
        if (X509_check_purpose(signer, X509_PURPOSE_TIMESTAMP_SIGN, 0) != 1) return int{TTI_E_NO_TSA_CERT};

        // The signature over the content and the signed attributes; whom to
        // trust is the caller's decision, so the certificate is not chained here.
        const tti::Bio content(BIO_new(BIO_s_null()));
        if (!content) throw std::bad_alloc();
        const int verified = PKCS7_verify(pkcs7.get(), nullptr, nullptr, nullptr, content.get(), PKCS7_NOVERIFY);
        if (verified != 1) return int{TTI_E_SIGNATURE};

        tti::checkSigningCertificateAttribute(pkcs7.get(), signer);
        return int{TTI_OK};
    });
}

TTI_API int TTI_GetTST_TSACert(std::uint8_t* certificate, std::uint32_t* certificateLength, const std::uint8_t* token,
                               std::uint32_t length) {
    return tti::guarded([&] {
        const tti::Pkcs7 pkcs7 = tti::decodeToken(tti::input(token, length));
        return tti::copyOut(tti::toDer(tti::signerCertificate(pkcs7.get()), i2d_X509), certificate, certificateLength);
    });
}
