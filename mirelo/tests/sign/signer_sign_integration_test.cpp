// Signing with a time stamp from testkit's TSA, and with a key on a
// SoftHSM2 token whose PIN the user types (or not) at the signature.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cms_sign_support.h"
#include "common/cert_context.h"
#include "common/pkcs7.h"
#include "signing_support.h"
#include "testkit/csp.h"
#include "testkit/scoped_env.h"
#include "testkit/softhsm.h"
#include "testkit/tsa.h"

namespace {

using namespace signing_support;

const Bytes kDocument = bytesOf("Žádost o obnovení certifikátu\r\n");

class SignerSignIntegration : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        trustHierarchy();
    }

    // Presets the certificate of a key in the provider as the signing one.
    static CertInfo presetSigner(testkit::TestCsp& csp, TestSigner& signer) {
        PCCERT_CONTEXT context = csp.certificateWithKey("Tesk Signer", hierarchy().standardCa);
        CertInfo info;
        EXPECT_TRUE(TCryptoapi::GetCertInfo(context, info));
        addToUserStore(u"MY", context);
        CertFreeCertificateContext(context);
        EXPECT_TRUE(signer.SetCertSignPem(info.pem)) << signer.GetLastErrorStr();
        return info;
    }

    testkit::PlatformRoot root;
    Peer peer{root.path() / "peer"};
};

TEST_F(SignerSignIntegration, ATimeStampedSignatureCarriesTheTsasTokenOverItsSignatureValue) {
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_TTI_DIR ":" TESK_RICHED32_DIR};
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    testkit::Tsa tsa(hierarchy());
    testkit::TestCsp csp(testkit::CspKind::Software, root, u"signer");
    TestSigner signer;
    presetSigner(csp, signer);
    signer.SetTimeStampServer(tsa.url(), "");

    SignJob job = unattendedJob(kSignWithSignatureCert, kOptionSigningTime);
    job.signFlags = kSignWithTimeStamp;
    Bytes text;
    ASSERT_EQ(0u, signer.SignData(job, kDocument, text)) << signer.GetLastErrorStr();
    EXPECT_EQ(1u, tsa.requests());
    const Bytes message = fromBase64Text(text);
    EXPECT_EQ("", peer.verifyFails(message, kDocument, false));
    EXPECT_NE(std::string::npos, peer.print(message).find("id-smime-aa-timeStampToken"));

    TPkcs7 reader;
    ASSERT_EQ(0u, reader.Open(message));
    Bytes token, signatureValue;
    ASSERT_EQ(0u, reader.GetSignerTimeStampToken(0, token));
    ASSERT_EQ(0u, reader.GetSignerSignature(0, signatureValue));
    peer.write("token.der", token);
    peer.write("signature-value.bin", signatureValue);
    testkit::writeFile(peer.folder() / "tsa-chain.pem", hierarchy().tsa.chainPem());
    const auto ts = peer.openssl({"ts", "-verify", "-token_in", "-in", "token.der", "-data", "signature-value.bin",
                                  "-CAfile", "tsa-chain.pem"});
    EXPECT_EQ(0, ts.exitCode) << ts.out << ts.err;
}

TEST_F(SignerSignIntegration, AKeyOnATokenSignsWithItsPinAndAWrongOrWithheldPinIsReported) {
    TESTKIT_REQUIRE_SOFTHSM();
    // The rich-edit library, without which the signer has no dialogs.
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    testkit::PinPrompts prompts;
    // A key made on the token, its certificate from the standard CA.
    const cms_sign_test::Peer issuer(root.path() / "issuer");
    const cms_sign_test::Signer key(testkit::CspKind::SoftHsmToken, root, issuer);
    PCCERT_CONTEXT context = CertContextFromInfo(key.record());
    addToUserStore(u"MY", context);
    CertFreeCertificateContext(context);
    TestSigner signer;
    signer.SetCfgLanguageNumber(2);
    ASSERT_TRUE(signer.SetCertSignPem(key.record().pem)) << signer.GetLastErrorStr();
    const SignJob job = unattendedJob(kSignWithSignatureCert, kOptionBinaryOutput | kOptionSigningCertV2);

    SignJob attempt = job;
    Bytes message = bytesOf("kept");
    prompts.answer("0000");
    EXPECT_EQ(3102u, signer.SignData(attempt, kDocument, message));
    EXPECT_EQ(3102, signer.GetLastErrorNumber());
    prompts.cancel();
    EXPECT_EQ(12u, signer.SignData(attempt, kDocument, message));
    EXPECT_EQ(12, signer.GetLastErrorNumber());
    EXPECT_EQ(bytesOf("kept"), message);

    prompts.answer(key.token()->options().pin);
    ASSERT_EQ(0u, signer.SignData(attempt, kDocument, message)) << signer.GetLastErrorStr();
    EXPECT_EQ("", peer.verifyFails(message, kDocument, false));
    EXPECT_EQ(3u, prompts.shown().size());
    EXPECT_EQ(0u, prompts.unused());
}

}  // namespace
