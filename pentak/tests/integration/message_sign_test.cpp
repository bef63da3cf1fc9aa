// A message signed with a key made on a SoftHSM2 token, its certificate
// (issued by openssl from the session's own request) in "MY": the PIN
// asked after the user said Yes, and the signature verified by
// `openssl cms`.
#include <gtest/gtest.h>

#include "../pentak_support.h"
#include "enroll.h"
#include "known_providers.h"
#include "pentak_resource.h"
#include "stores.h"
#include "testkit/csp.h"
#include "testkit/process.h"
#include "testkit/softhsm.h"

namespace {

using namespace pentak_test;
namespace script = platform::ui::script;

constexpr char16_t kZintraProvider[] = u"Zintra CSP";

TEST(CardMessageSign, ATokenKeySignsAfterTheConfirmationAndItsPin) {
    TESTKIT_REQUIRE_SOFTHSM();
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::PlatformRoot machine;
    testkit::SoftHsmToken token(machine);
    testkit::PinPrompts prompts;
    {
        CEnroll session;
        ASSERT_EQ(0u, session.SetGUILanguage(u"en"));
        session.SetProviderName(kZintraProvider);
        session.SetProviderType(PROV_RSA_FULL);
        session.SetKeySpec(AT_KEYEXCHANGE);
        session.SetContainerName(u"pentak-sign");
        prompts.answer("1234");
        ASSERT_TRUE(session.KeyGenerate());
        ASSERT_TRUE(session.AddSubjectAttribute("2.5.4.3", u"Pentak Card Signer"));
        std::u16string request;
        prompts.answer("1234");
        ASSERT_TRUE(session.CreatePKCS10(request));
        const std::vector<BYTE> requestDer = bytesOfBase64(request);
        const auto requestFile = machine.write("request.der", std::string(requestDer.begin(), requestDer.end()));
        const auto caFile = machine.write("ca.pem", hierarchy().standardCa.certificate.pem());
        const auto caKeyFile = machine.write("ca.key", hierarchy().standardCa.key.pkcs8Pem());
        const auto certificateFile = machine.path() / "signer.der";
        const auto issued = testkit::run({"openssl", "x509", "-req", "-inform", "DER", "-in", requestFile.string(),
                                          "-CA", caFile.string(), "-CAkey", caKeyFile.string(), "-days", "2",
                                          "-set_serial", "7", "-outform", "DER", "-out", certificateFile.string()});
        ASSERT_EQ(0, issued.exitCode) << issued.err;
        const std::string der = testkit::readFile(certificateFile);
        const OwnedCertContext signer = CertificateWithKey(
            {der.begin(), der.end()}, CertKeyInfo{{}, kZintraProvider, PROV_RSA_FULL, u"pentak-sign", AT_KEYEXCHANGE});
        ASSERT_TRUE(signer);
        ASSERT_TRUE(CertAddCertificateContextToStore(OpenUserStore(kStorePersonal).get(), signer.get(),
                                                     CERT_STORE_ADD_ALWAYS, nullptr));

        // Reset lets the request key's context go: the signature logs in anew.
        session.Reset();
        ASSERT_EQ(0u, session.SetGUILanguage(u"en"));
        script::clear();
        script::queue("Dialog", "press:6");
        prompts.answer("1234");
        std::u16string signedText;
        ASSERT_EQ(0u, session.Sign(base64Of(derOf(signer.get())), u"Platba 100 Kč", signedText));
        const auto lines = script::transcript();
        ASSERT_EQ(2u, lines.size());
        EXPECT_TRUE(lines[0].starts_with("Dialog 102: ")) << lines[0];
        EXPECT_TRUE(lines[1].starts_with("Pin: ")) << lines[1];

        const std::vector<BYTE> message = bytesOfBase64(signedText);
        const auto file = machine.write("signed.der", std::string(message.begin(), message.end()));
        const auto verified = testkit::run(
            {"openssl", "cms", "-verify", "-inform", "DER", "-noverify", "-binary", "-in", file.string()});
        EXPECT_EQ(0, verified.exitCode) << verified.err;
        EXPECT_EQ("Platba 100 K\xE8", verified.out);
    }
    TPentakResource::ReleaseInstance();
}

}  // namespace
