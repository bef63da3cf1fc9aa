// The object's members that take certificates from their caller: PEM text
// for the signing and TSA certificates, an issuer to choose by, a
// certificate to show, and the certificate manager; failures carry the
// signer's numbers. The certificate dialogs are the module's own, shown
// through "cryptui.dll".
#include <string>

#include "mirelo_client.h"
#include "testkit/pki.h"
#include "testkit/scoped_env.h"

namespace {

using MireloCertificates = mirelo_test::MireloClient;

TEST_F(MireloCertificates, PemTextIsTakenWhenItIsACertificateAndEveryRefusalHasItsNumber) {
    const std::string pem = testkit::pki::Hierarchy::make().commercial.certificate.pem();
    EXPECT_EQ(S_OK, withText(&ISignerKyd::put_TsaAuthenticationCertPem, pem));
    EXPECT_EQ(0, lastErrorNumber());
    // The object's signer takes a signing certificate only when a trusted
    // list vouches for it; none is loaded.
    EXPECT_TRUE(FAILED(withText(&ISignerKyd::put_SignCertPem, pem)));
    EXPECT_EQ(3204, lastErrorNumber());

    for (const auto member : {&ISignerKyd::put_SignCertPem, &ISignerKyd::put_TsaAuthenticationCertPem,
                              &ISignerKyd::ShowCert}) {
        EXPECT_TRUE(FAILED(withText(member, "not a certificate")));
        EXPECT_EQ(3000, lastErrorNumber());
    }
    // No certificate of that issuer to choose from.
    for (const auto member : {&ISignerKyd::SetSignCert, &ISignerKyd::SetTsaAuthenticationCert}) {
        EXPECT_TRUE(FAILED(withText(member, "CN=Nobody")));
        EXPECT_EQ(51, lastErrorNumber());
    }
}

TEST_F(MireloCertificates, TheViewerAndTheManagerAreShownThroughTheCertificateDialogs) {
    const auto script = root.write("answers.txt", "ViewCertificate IDOK\nCertificateManager IDOK\n");
    const ScopedEnv ui{"PLATFORM_UI", "script:" + script.string()};
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR};

    EXPECT_EQ(S_OK, withText(&ISignerKyd::ShowCert, testkit::pki::Hierarchy::make().qualified.certificate.pem()));
    EXPECT_EQ(0, lastErrorNumber());
    EXPECT_EQ(S_OK, object->ShowCertManager());
    EXPECT_EQ(0, lastErrorNumber());
}

}  // namespace
