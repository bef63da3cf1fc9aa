// The certificate issued for a request made on a SoftHSM2 token listed as a
// known card provider: installed onto the token's key and into "MY" naming
// it, then offered from the session's CSP store and taken off the card. On
// a Dravik card the installation first clears the card's certificates that
// are not its root and hands the CA certificate to the HSM engine.
#include <gtest/gtest.h>

#include <optional>

#include "../issued_certificate.h"
#include "../pentak_support.h"
#include "card_support.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "enroll.h"
#include "key_records.h"
#include "known_providers.h"
#include "stores.h"
#include "testkit/csp.h"
#include "testkit/hsm_engine.h"
#include "testkit/softhsm.h"
#include "win32/com.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr char16_t kIssuedContainer[] = u"pentak-issued";

class CardInstall : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SOFTHSM();
        TESTKIT_REQUIRE_PROGRAM("openssl");
        m_card.emplace(testkit::CspKind::SoftHsmToken, m_machine);
        m_session.SetProviderName(m_card->provider());
        m_session.SetProviderType(PROV_RSA_FULL);
        m_session.SetKeySpec(AT_KEYEXCHANGE);
        m_session.SetContainerName(kIssuedContainer);
        m_prompts.answer(m_card->token()->options().pin);
        ASSERT_TRUE(m_session.KeyGenerate()) << std::hex << GetLastError();
    }

    std::vector<BYTE> onCard() const { return certificateOnCard(m_card->provider(), kIssuedContainer); }

    testkit::PlatformRoot m_machine;
    ScriptedUi m_ui;
    testkit::PinPrompts m_prompts;
    std::optional<testkit::TestCsp> m_card;
    CEnroll m_session;
};

TEST_F(CardInstall, TheIssuedCertificateGoesOntoTheTokenKeyIsListedAndRemoved) {
    ASSERT_NE(nullptr, FindKnownProvider(m_card->provider()));
    ASSERT_TRUE(m_session.AddSubjectAttribute("2.5.4.3", u"Pentak Token User"));
    std::u16string request;
    ASSERT_TRUE(m_session.CreatePKCS10(request));
    const std::vector<BYTE> issued = issueFromRequest(m_machine, bytesOfBase64(request), hierarchy().standardCa, "51");

    // 1: onto the card's key; 2: into "MY", naming that key.
    m_session.Reset();
    m_session.SetProviderName(m_card->provider());
    m_session.SetProviderType(PROV_RSA_FULL);
    ASSERT_EQ(0u, m_session.EnrollX509(base64Of(issued), u"", 1 | 2)) << narrow(CMyError::Instance().GetText());
    EXPECT_EQ(issued, onCard());
    const OwnedCertStore personal = OpenUserStore(kStorePersonal);
    const OwnedCertContext wanted = contextOf(issued);
    const OwnedCertContext installed(
        CertFindCertificateInStore(personal.get(), kCertEncoding, 0, CERT_FIND_EXISTING, wanted.get(), nullptr));
    ASSERT_TRUE(installed);
    CertKeyInfo key;
    ASSERT_TRUE(TCryptoapi::GetCertKeyInfo(installed.get(), key));
    EXPECT_EQ(m_card->provider(), key.provider);
    EXPECT_NE(std::u16string::npos, key.container.find(kIssuedContainer));
    EXPECT_EQ(static_cast<DWORD>(AT_KEYEXCHANGE), key.keySpec);

    // The CSP store offers it, and the deletion takes it off the card.
    LONG count = 0;
    ASSERT_EQ(0u, m_session.CSPLoadStore(TRUE, count));
    std::u16string listed;
    ASSERT_EQ(0u, m_session.GetCertEx(0, u"", TRUE, listed));
    EXPECT_EQ(base64Of(issued), listed);
    ASSERT_EQ(0u, m_session.EnumCertsEx(0, u"", TRUE, listed));
    EXPECT_EQ(0u, listed.find(u"Pentak Token User ["));
    ASSERT_EQ(0u, m_session.DeleteCertificate(base64Of(issued)));
    EXPECT_TRUE(onCard().empty());
}

// A token listed as the Dravik card: a container holding the card's root,
// one holding an older user certificate, and the key of a new request.
class DravikInstall : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SOFTHSM();
        TESTKIT_REQUIRE_PROGRAM("openssl");
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        m_token.emplace(m_machine, testkit::SoftHsmOptions{.provider = kDravikCspName});
        m_session.SetProviderName(kDravikCspName);
        m_session.SetProviderType(PROV_RSA_FULL);
        m_session.SetKeySpec(AT_KEYEXCHANGE);
        // Each key asks for the PIN; the last one's context keeps the token
        // logged in for the rest.
        for (const char16_t* container : {u"root", u"older", u"new"}) {
            m_prompts.answer(m_token->options().pin);
            m_session.SetContainerName(container);
            ASSERT_TRUE(m_session.KeyGenerate()) << std::hex << GetLastError();
        }
        put(u"root", hierarchy().root.certificate);
        put(u"older", hierarchy().commercial.certificate);
    }
    void TearDown() override {
        m_session.HsmEngine_Release();
        CoUninitialize();
    }

    void put(const std::u16string& container, const pki::Certificate& certificate) const {
        AcquiredContext context;
        ASSERT_TRUE(context.Acquire(container, kDravikCspName, PROV_RSA_FULL, 0));
        ASSERT_TRUE(SetContainerCertificate(context.get(), AT_KEYEXCHANGE, contextOf(certificate).get()));
    }

    testkit::PlatformRoot m_machine;
    ScriptedUi m_ui;
    testkit::PinPrompts m_prompts;
    testkit::HsmEngineStandIn m_engine;
    std::optional<testkit::SoftHsmToken> m_token;
    CEnroll m_session;
};

TEST_F(DravikInstall, OlderCertificatesLeaveTheCardAndTheCaGoesToTheEngine) {
    ASSERT_TRUE(m_session.AddSubjectAttribute("2.5.4.3", u"Pentak Dravik User"));
    std::u16string request;
    ASSERT_TRUE(m_session.CreatePKCS10(request));
    const std::vector<BYTE> issued = issueFromRequest(m_machine, bytesOfBase64(request), hierarchy().standardCa, "61");
    const std::vector<BYTE>& ca = hierarchy().standardCa.certificate.der();
    const std::u16string bundle = u"-----BEGIN CERTIFICATE-----\n" + base64Of(ca) + u"-----END CERTIFICATE-----\n";

    LONG count = 0;
    ASSERT_EQ(0u, m_session.CSPLoadStore(TRUE, count));
    CMyError::Instance().Reset();
    ASSERT_EQ(0u, m_session.EnrollX509(base64Of(issued), bundle, 1 | 2)) << narrow(CMyError::Instance().GetText());

    EXPECT_EQ(hierarchy().root.certificate.der(), certificateOnCard(kDravikCspName, u"root"));
    EXPECT_TRUE(certificateOnCard(kDravikCspName, u"older").empty());
    EXPECT_EQ(issued, certificateOnCard(kDravikCspName, u"new"));
    const std::vector<std::string> calls = m_engine.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ("WriteRoot(Tesk Standard CA)", calls.back());
    const std::u16string log = CMyError::Instance().GetText();
    EXPECT_NE(std::u16string::npos, log.find(u"GPKPatch(): started\nDeleteCerts(GPK): conntainer: older, result: 0, "
                                             u"certs: 1\nGPKPatch():E_WriteRoot(): stat: 0, keyname: Tesk Standard CA\n"))
        << narrow(log);
}

}  // namespace
