// The session's certificates of the user's "MY" store: the usable ones
// listed under a CA list, picked in CryptUI's selection dialog (through the
// script backend) and named as X.500 text; the deletion members refuse a
// provider that is not a known card provider.
#include <gtest/gtest.h>

#include <string>

#include "testkit/scoped_env.h"
#include "enroll.h"
#include "known_providers.h"
#include "my_error.h"
#include "pentak_support.h"
#include "platform/ui.h"
#include "stores.h"
#include "testkit/platform_root.h"
#include "win32/crypt_names.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
namespace script = platform::ui::script;

void installPersonal(const pki::Certificate& certificate, bool withKey) {
    const OwnedCertContext context =
        withKey ? CertificateWithKey(certificate.der(),
                                     CertKeyInfo{{}, kSoftwareProvider, PROV_RSA_FULL, u"user", AT_KEYEXCHANGE})
                : contextOf(certificate);
    const OwnedCertStore store = OpenUserStore(kStorePersonal);
    ASSERT_TRUE(context && store);
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), context.get(), CERT_STORE_ADD_ALWAYS, nullptr));
}

class PersonalCertificates : public ::testing::Test {
protected:
    void SetUp() override {
        // Only the commercial and qualified users are usable: the others are
        // out of their validity or name no key.
        installPersonal(hierarchy().expired.certificate, true);
        installPersonal(hierarchy().commercial.certificate, true);
        installPersonal(hierarchy().tsa.certificate, false);
        installPersonal(hierarchy().notYetValid.certificate, true);
        installPersonal(hierarchy().qualified.certificate, true);
    }

    static std::u16string base64(const pki::Credential& user) { return base64Of(user.certificate.der()); }

    testkit::PlatformRoot m_root;
    ScriptedUi m_ui;
    CEnroll m_session;
};

TEST_F(PersonalCertificates, UsableCertificatesAreListedInStoreOrderUnderTheCaList) {
    std::u16string text = u"left over";
    ASSERT_EQ(0u, m_session.GetCertEx(0, u"", FALSE, text));
    EXPECT_EQ(base64(hierarchy().commercial), text);
    ASSERT_EQ(0u, m_session.GetCertEx(1, u"", FALSE, text));
    EXPECT_EQ(base64(hierarchy().qualified), text);
    ASSERT_EQ(0u, m_session.EnumCertsEx(1, u"", FALSE, text));
    EXPECT_EQ(0u, text.rfind(u"Tesk Qualified User", 0)) << narrow(text);
    // Past the last usable certificate: success and an empty text.
    ASSERT_EQ(0u, m_session.EnumCertsEx(2, u"", FALSE, text));
    EXPECT_EQ(u"", text);

    const std::u16string qualifiedCa = wide(hierarchy().qualifiedCa.certificate.pem());
    ASSERT_EQ(0u, m_session.GetCertEx(0, qualifiedCa, FALSE, text));
    EXPECT_EQ(base64(hierarchy().qualified), text);
    ASSERT_EQ(0u, m_session.GetCertEx(1, qualifiedCa, FALSE, text));
    EXPECT_EQ(u"", text);
    // A CA list in which nothing can be read admits nothing.
    ASSERT_EQ(0u, m_session.GetCertEx(0, u"-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n", FALSE,
                                      text));
    EXPECT_EQ(u"", text);
    // The CSP store, not loaded, holds nothing.
    ASSERT_EQ(0u, m_session.GetCertEx(0, u"", TRUE, text));
    EXPECT_EQ(u"", text);
}

TEST_F(PersonalCertificates, LongDisplayTextsAreCutTo99Characters) {
    const std::string longName(120, 'x');
    const auto user = pki::CertificateBuilder().subject({{"CN", longName}}).build();
    installPersonal(user.certificate, true);
    std::u16string text;
    ASSERT_EQ(0u, m_session.EnumCertsEx(2, u"", FALSE, text));
    EXPECT_EQ(wide(longName.substr(0, 99)), text);
}

TEST_F(PersonalCertificates, SelectionOffersTheUsableCertificatesAndTellsACancel) {
    const ScopedEnv modules("PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR);
    script::queue("SelectCertificate", "1");
    std::u16string chosen;
    ASSERT_EQ(0u, m_session.SelectCertEx(u"", FALSE, chosen));
    EXPECT_EQ(base64(hierarchy().qualified), chosen);
    const auto lines = script::transcript();
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("[1]"));
    EXPECT_EQ(std::string::npos, lines[0].find("[2]")) << lines[0];

    script::queue("SelectCertificate", "IDCANCEL");
    const std::u16string standardCa = wide(hierarchy().standardCa.certificate.pem());
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), m_session.SelectCertEx(standardCa, FALSE, chosen));
    EXPECT_EQ(base64(hierarchy().qualified), chosen);
    const auto offered = script::transcript().back();
    EXPECT_NE(std::string::npos, offered.find("[0]"));
    EXPECT_EQ(std::string::npos, offered.find("[1]")) << offered;
}

TEST(CertificateNames, SubjectAndIssuerAreX500TextAndABrokenCertificateIsNoted) {
    testkit::PlatformRoot machine;
    const auto issuer = pki::CertificateBuilder().subject({{"O", "Tesk"}, {"CN", "Names CA"}}).build();
    const auto user =
        pki::CertificateBuilder().subject({{"C", "CZ"}, {"CN", "Jana Nováková"}}).issuedBy(issuer).build();
    CEnroll session;
    std::u16string name;
    ASSERT_TRUE(session.ParseCertSubjectToStr(base64Of(user.certificate.der()), CERT_X500_NAME_STR, name));
    EXPECT_EQ(u"C=CZ, CN=Jana Nováková", name);
    ASSERT_TRUE(session.ParseCertIssuerToStr(base64Of(user.certificate.der()), CERT_X500_NAME_STR, name));
    EXPECT_EQ(u"O=Tesk, CN=Names CA", name);

    EXPECT_FALSE(session.ParseCertSubjectToStr(u"AAECAwQF", CERT_X500_NAME_STR, name));
    EXPECT_EQ(u"O=Tesk, CN=Names CA", name);
    EXPECT_TRUE(logHasLine(3963));
}

TEST(CertificateDeletion, OnlyAKnownCardProviderIsServed) {
    testkit::PlatformRoot machine;
    CEnroll session;
    LONG count = 7;
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_PROVIDER), session.DeleteExpiredCertificates(0));
    session.SetProviderName(kSoftwareProvider);
    session.SetProviderType(PROV_RSA_FULL);
    EXPECT_EQ(static_cast<DWORD>(NTE_NOT_SUPPORTED), session.DeleteExpiredCertificates(0));
    EXPECT_EQ(static_cast<DWORD>(NTE_NOT_SUPPORTED),
              session.DeleteCertificate(base64Of(hierarchy().expired.certificate.der())));
    EXPECT_EQ(static_cast<DWORD>(NTE_NOT_SUPPORTED), session.DeleteCerts(u"*", count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(static_cast<DWORD>(NTE_NOT_SUPPORTED), session.DeleteObsoleteContent());
    // A known name under another type is another provider.
    session.SetProviderName(u"Zintra CSP");
    session.SetProviderType(PROV_RSA_AES);
    EXPECT_EQ(static_cast<DWORD>(NTE_NOT_SUPPORTED), session.DeleteObsoleteContent());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), session.DeleteCerts(u"", count));
}

}  // namespace
