// A token's TSTInfo, signer certificate and signature, from tokens that
// `openssl ts -reply` signs and from copies spoilt on purpose.
#include <gtest/gtest.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstring>
#include <regex>

#include "tti_support.h"

namespace {

using namespace tti_test;
namespace pki = testkit::pki;

int verify(const Bytes& token) {
    return TTI_VerifyTST_Signature(token.data(), static_cast<std::uint32_t>(token.size()));
}

// The token with its copy of the TSA's certificate replaced, the signature left as it was.
Bytes withCarriedCertificate(const Bytes& token, const pki::Certificate& replacement) {
    const unsigned char* p = token.data();
    PKCS7* pkcs7 = d2i_PKCS7(nullptr, &p, static_cast<long>(token.size()));
    const unsigned char* q = hierarchy().tsa.certificate.der().data();
    X509* original = d2i_X509(nullptr, &q, static_cast<long>(hierarchy().tsa.certificate.der().size()));
    const unsigned char* r = replacement.der().data();
    X509* swapped = d2i_X509(nullptr, &r, static_cast<long>(replacement.der().size()));
    STACK_OF(X509)* certificates = pkcs7->d.sign->cert;
    for (int i = 0; i < sk_X509_num(certificates); ++i)
        if (X509* carried = sk_X509_value(certificates, i); X509_cmp(carried, original) == 0) {
            sk_X509_set(certificates, i, swapped);
            X509_free(carried);
        }
    unsigned char* der = nullptr;
    const int length = i2d_PKCS7(pkcs7, &der);
    Bytes out(der, der + length);
    OPENSSL_free(der);
    X509_free(original);
    PKCS7_free(pkcs7);
    return out;
}

// Same key, issuer and serial as the TSA's certificate, so that the signer is found and the signature verifies.
pki::CertificateBuilder twinOfTheTsa() {
    pki::CertificateBuilder builder;
    builder.subject(pki::Name{{"C", "SK", pki::StringType::Printable}, {"O", "Tesk"}, {"CN", "Tesk Time Stamping"}})
        .key(pki::Key::rsa(2048, "tsa"))
        .issuedBy(hierarchy().qualifiedCa)
        .serial(hierarchy().tsa.certificate.serial())
        .keyUsage(pki::kDigitalSignature)
        .validity(pki::fromNow(-std::chrono::hours(48)), pki::fromNow(std::chrono::hours(48)));
    return builder;
}

TEST(Token, InformationRecordHoldsTheTstInfoOfATokenOnly) {
    const TtiRequest r = request("abc");
    const Bytes reply = replyTo(r);
    const TtiTokenInfo info = infoOf(tokenOf(reply));
    EXPECT_EQ(sizeof(TtiTokenInfo), info.size);
    EXPECT_EQ(1u, info.version);
    EXPECT_EQ(testkit::TsaSigner::kPolicy, info.policyOid);
    EXPECT_EQ(0, std::memcmp(&r.imprint, &info.imprint, sizeof info.imprint));
    EXPECT_EQ(0, std::memcmp(&r.nonce, &info.nonce, sizeof info.nonce));
    EXPECT_STREQ("C=SK, O=Tesk, CN=Tesk Time Stamping", info.tsaName);
    EXPECT_TRUE(std::regex_match(info.genTime, std::regex(R"(\d{14}(\.\d{1,3})?Z)"))) << info.genTime;
    EXPECT_GT(info.serial.length, 0u);

    TtiTokenInfo other{};
    other.size = sizeof other;
    EXPECT_EQ(TTI_E_NOT_A_TOKEN, TTI_GetTST_TSTInfoEx(&other, reply.data(), static_cast<std::uint32_t>(reply.size())));
    other.size = 1040;
    EXPECT_EQ(TTI_E_PARAMETER, TTI_GetTST_TSTInfoEx(&other, reply.data(), static_cast<std::uint32_t>(reply.size())));
}

TEST(Token, SignatureOfAnUntouchedTokenVerifies) {
    const Bytes token = tokenOf(replyTo(request()));
    EXPECT_EQ(TTI_OK, verify(token));
    const Bytes certificate = twoCall([&](std::uint8_t* out, std::uint32_t* length) {
        return TTI_GetTST_TSACert(out, length, token.data(), static_cast<std::uint32_t>(token.size()));
    });
    EXPECT_EQ(hierarchy().tsa.certificate.der(), certificate);
}

TEST(Token, SpoiltTokensAreRefused) {
    const TtiRequest r = request();
    const Bytes token = tokenOf(replyTo(r));

    Bytes badSignature = token;
    badSignature.back() ^= 1;  // the signature value ends the token
    EXPECT_EQ(TTI_E_SIGNATURE, verify(badSignature));

    Bytes otherContent = token;
    const auto nonce =
        std::search(otherContent.begin(), otherContent.end(), r.nonce.bytes, r.nonce.bytes + r.nonce.length);
    ASSERT_NE(otherContent.end(), nonce);
    *nonce ^= 1;
    EXPECT_EQ(TTI_E_SIGNATURE, verify(otherContent));

    const auto twin = twinOfTheTsa().extendedKeyUsage({std::string(pki::kTimeStamping)}, true).build();
    EXPECT_EQ(TTI_E_ESS_CERT_ID, verify(withCarriedCertificate(token, twin.certificate)));
    const auto notATsa = twinOfTheTsa().extendedKeyUsage({std::string(pki::kClientAuth)}).build();
    EXPECT_EQ(TTI_E_NO_TSA_CERT, verify(withCarriedCertificate(token, notATsa.certificate)));
}

TEST(Token, WithoutItsCertificateNothingCanBeVerified) {
    TtiRequest r = request();
    r.certReq = 0;
    const Bytes token = tokenOf(replyTo(r));
    EXPECT_EQ(TTI_E_NO_TSA_CERT, verify(token));
    std::uint32_t length = 0;
    EXPECT_EQ(TTI_E_NO_TSA_CERT,
              TTI_GetTST_TSACert(nullptr, &length, token.data(), static_cast<std::uint32_t>(token.size())));
    EXPECT_EQ(1u, infoOf(token).version);  // the TSTInfo reads without it
}

}  // namespace
