// The installation members through the object: the certificate issued for
// the object's own request lands in the user's store bound to its key, so
// that the object lists it; a CA bundle comes back as PEM.
#include "../issued_certificate.h"
#include "pentak_client.h"
#include "testkit/pki.h"

namespace {

using namespace pentak_test;

using PentakInstallation = ScriptedPentak;

TEST_F(PentakInstallation, TheIssuedCertificateIsInstalledAndListed) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const auto session = newSession();
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(kSoftwareProvider)));
    ASSERT_EQ(S_OK, session.put(u"ContainerName", Value(u"pentak-com-install")));
    ASSERT_EQ(S_OK, session.put(u"GenKeyFlags", Value(LONG{1024 << 16})));
    ASSERT_EQ(S_OK, session.call(u"KeyGenerate"));
    ASSERT_EQ(S_OK, session.call(u"AddSubjectAttribute", {Value(u"2.5.4.3").get(), Value(u"Com Install").get()}));
    Value request;
    ASSERT_EQ(S_OK, session.call(u"CreatePKCS10", {request.reference()}));

    // Issued into issued.der, handed back as openssl's Base64 of it.
    const auto ca = testkit::pki::CertificateBuilder().subject({{"CN", "Com Install CA"}}).build();
    issueFromRequest(root, decodedBase64(root, request.text()), ca, "5");
    const auto base64 = testkit::run({"openssl", "base64", "-in", "issued.der"}, root.path());
    ASSERT_EQ(0, base64.exitCode);
    const std::u16string issued(base64.out.begin(), base64.out.end());
    ASSERT_EQ(S_OK, session.call(u"AcceptX509", {Value(issued.c_str()).get()}));

    Value listed;
    ASSERT_EQ(S_OK, session.call(u"EnumCerts", {Value(LONG{0}).get(), Value(u"").get(), listed.reference()}));
    EXPECT_EQ(0u, listed.text().find(u"Com Install ["));

    // Not a certificate: a failure, the out argument untouched.
    Value pem(u"before");
    EXPECT_TRUE(FAILED(session.call(u"CmfToPem", {Value(u"-----BEGIN CMF-----\nAAAA\n-----END CMF-----\n").get(),
                                                  pem.reference()})));
    EXPECT_EQ(u"before", pem.text());
    const std::string caPem = ca.certificate.pem();
    ASSERT_EQ(S_OK, session.call(u"CmfToPem", {Value(std::u16string(caPem.begin(), caPem.end()).c_str()).get(),
                                               pem.reference()}));
    EXPECT_EQ(0u, pem.text().find(u"-----BEGIN CERTIFICATE-----\nMII"));
}

}  // namespace
