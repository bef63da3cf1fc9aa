// A SoftHSM2 token listed as a known card provider, holding a container
// whose certificate has expired, one with a current certificate and one
// whose key still waits for its certificate: the session's CSP store, the
// certificates it offers, and what the deletions take off the card.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "../pentak_support.h"
#include "card_support.h"
#include "containers.h"
#include "enroll.h"
#include "known_providers.h"
#include "pentak_resource.h"
#include "platform/crypt_providers.h"
#include "platform/ui.h"
#include "stores.h"
#include "testkit/csp.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
namespace script = platform::ui::script;
using std::chrono::hours;

// A certificate of the standard CA valid in the hours given around now. The
// card keeps it on a key it was not made for: the members under test read
// and remove certificates, they never compare keys.
pki::Credential certificateOf(const std::string& name, hours from, hours to) {
    return pki::CertificateBuilder()
        .subject({{"CN", name}})
        .key(pki::Key::rsa(2048, name))
        .issuedBy(hierarchy().standardCa)
        .validity(pki::fromNow(from), pki::fromNow(to))
        .build();
}

class CardCertificates : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SOFTHSM();
        m_card.emplace(testkit::CspKind::SoftHsmToken, m_machine, u"old");
        // "old": its key's certificate ended two days ago; a copy is in "MY".
        m_card->generate(AT_KEYEXCHANGE, 2048);
        putOnCard(u"old", m_expired);
        const OwnedCertContext personal = CertificateWithKey(
            m_expired.certificate.der(), CertKeyInfo{{}, provider(), PROV_RSA_FULL, u"old", AT_KEYEXCHANGE});
        ASSERT_TRUE(CertAddCertificateContextToStore(OpenUserStore(kStorePersonal).get(), personal.get(),
                                                     CERT_STORE_ADD_ALWAYS, nullptr));
        // "current": valid until tomorrow; "waiting": a key without one.
        m_session.SetProviderName(provider());
        m_session.SetProviderType(PROV_RSA_FULL);
        m_session.SetKeySpec(AT_KEYEXCHANGE);
        m_session.SetGenKeyFlags(CRYPT_EXPORTABLE);
        m_session.SetContainerName(u"current");
        ASSERT_TRUE(m_session.KeyGenerate());
        putOnCard(u"current", m_current);
        m_session.SetContainerName(u"waiting");
        ASSERT_TRUE(m_session.KeyGenerate());
        ASSERT_EQ(0u, m_session.SetGUILanguage(u"en"));
    }

    void TearDown() override {
        TPentakResource::ReleaseInstance();
        platform::crypt::clearParameterHooks();
    }

    const std::u16string& provider() const { return m_card->provider(); }

    void putOnCard(const std::u16string& container, const pki::Credential& user) const {
        AcquiredContext context;
        ASSERT_TRUE(context.Acquire(container, provider(), PROV_RSA_FULL, 0));
        ASSERT_TRUE(SetContainerCertificate(context.get(), AT_KEYEXCHANGE, contextOf(user.certificate).get()));
    }

    std::vector<BYTE> onCard(const std::u16string& container) const { return certificateOnCard(provider(), container); }

    testkit::PlatformRoot m_machine;
    ScriptedUi m_ui;
    testkit::PinPrompts m_prompts;
    std::optional<testkit::TestCsp> m_card;
    const pki::Credential m_expired = certificateOf("Pentak Old User", hours(-24 * 400), hours(-48));
    const pki::Credential m_current = certificateOf("Pentak Current User", hours(-24), hours(24));
    CEnroll m_session;
};

TEST_F(CardCertificates, TheCspStoreOffersTheUsableCertificateAndExpiredOnesLeaveTheCard) {
    ASSERT_NE(nullptr, FindKnownProvider(provider()));
    LONG count = 0;
    ASSERT_EQ(0u, m_session.CSPLoadStore(TRUE, count));
    EXPECT_EQ(3, count);
    std::u16string text;
    ASSERT_EQ(0u, m_session.GetCertEx(0, u"", TRUE, text));
    EXPECT_EQ(base64Of(m_current.certificate.der()), text);
    ASSERT_EQ(0u, m_session.EnumCertsEx(1, u"", TRUE, text));
    EXPECT_EQ(u"", text);
    // A store loaded without certificates has none to read: 232, not the
    // empty text that ends a list.
    ASSERT_EQ(0u, m_session.CSPLoadStore(FALSE, count));
    EXPECT_EQ(3, count);
    text = u"kept";
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_DATA), m_session.GetCertEx(0, u"", TRUE, text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_DATA), m_session.EnumCertsEx(0, u"", TRUE, text));
    EXPECT_EQ(u"kept", text);

    // Three days back keeps the certificate that ended two days ago.
    ASSERT_EQ(0u, m_session.CSPLoadStore(TRUE, count));
    ASSERT_EQ(0u, m_session.DeleteExpiredCertificates(3));
    EXPECT_EQ(m_expired.certificate.der(), onCard(u"old"));
    ASSERT_EQ(0u, m_session.DeleteExpiredCertificates(0));
    EXPECT_TRUE(onCard(u"old").empty());
    EXPECT_EQ(m_current.certificate.der(), onCard(u"current"));

    ASSERT_EQ(0u, m_session.DeleteCertificate(wide(m_current.certificate.pem())));
    EXPECT_TRUE(onCard(u"current").empty());
    putOnCard(u"current", m_current);
    ASSERT_EQ(0u, m_session.CSPLoadStore(TRUE, count));
    ASSERT_EQ(0u, m_session.DeleteCerts(u"*", count));
    EXPECT_EQ(1, count);
    EXPECT_TRUE(onCard(u"current").empty());
}

TEST_F(CardCertificates, ObsoleteContentIsTheExpiredContainerOnceTheUserAgrees) {
    script::queue("MessageBox", "IDNO");
    ASSERT_EQ(0u, m_session.DeleteObsoleteContent());
    EXPECT_EQ(
        "MessageBox: Delete a container contains certificates: Do you want to delete the container cointains expired "
        "certificates?\nContainer name: old\nCertificate subject: CN=Pentak Old User\n",
        script::transcript().back());
    EXPECT_EQ(m_expired.certificate.der(), onCard(u"old"));

    // Generation under the Quib profile asks the same first.
    script::queue("MessageBox", "IDYES");
    m_session.SetApplicationProfile(sgAppProfileQuib_CP31);
    m_session.SetContainerName(u"next");
    ASSERT_TRUE(m_session.KeyGenerate());
    EXPECT_EQ(2u, script::transcript().size());
    AcquiredContext old;
    EXPECT_FALSE(old.Acquire(u"old", provider(), PROV_RSA_FULL, 0));
    EXPECT_TRUE(old.Acquire(u"waiting", provider(), PROV_RSA_FULL, 0));
    const OwnedCertContext copy(CertFindCertificateInStore(OpenUserStore(kStorePersonal).get(), kCertEncoding, 0,
                                                           CERT_FIND_EXISTING,
                                                           contextOf(m_expired.certificate).get(), nullptr));
    EXPECT_FALSE(copy);
}

// The card's own roots: only an expired one is offered, and only a Yes
// deletes it; the valid one stays.
TEST_F(CardCertificates, AnExpiredRootOfTheCardGoesOnlyOnYes) {
    const auto rootOf = [](const std::string& name, hours from, hours to) {
        return pki::CertificateBuilder()
            .subject({{"CN", name}})
            .key(pki::Key::rsa(2048, name))
            .basicConstraints({.ca = true})
            .validity(pki::fromNow(from), pki::fromNow(to))
            .build();
    };
    const pki::Credential expiredRoot = rootOf("Pentak Old Root", hours(-24 * 800), hours(-24));
    const pki::Credential validRoot = rootOf("Pentak Valid Root", hours(-24), hours(24 * 800));
    for (const pki::Credential* root : {&expiredRoot, &validRoot}) {
        const auto file = m_machine.write("root.der", std::string(root->certificate.der().begin(),
                                                                  root->certificate.der().end()));
        const auto written =
            m_card->token()->pkcs11Tool({"--write-object", file.string(), "--type", "cert", "--label", "root"});
        ASSERT_EQ(0, written.exitCode) << written.err;
    }
    const auto rootsOnCard = [this] {
        AcquiredContext card;
        DWORD count = 0, size = sizeof count;
        if (!card.Acquire({}, provider(), PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
            !CryptGetProvParam(card.get(), 0x10000002, reinterpret_cast<BYTE*>(&count), &size, 0))
            return ~DWORD{0};
        return count;
    };
    ASSERT_EQ(2u, rootsOnCard());

    const std::string rootQuestion =
        "MessageBox: Delete a root certificate: Do you want to delete the expired root certificate?\n"
        "Certificate subject: CN=Pentak Old Root";
    script::queue("MessageBox", "IDNO");
    script::queue("MessageBox", "IDNO");
    ASSERT_EQ(0u, m_session.DeleteObsoleteContent());
    ASSERT_EQ(2u, script::transcript().size());
    EXPECT_EQ(rootQuestion, script::transcript().front().substr(0, rootQuestion.size()));
    EXPECT_EQ(2u, rootsOnCard());

    script::clear();
    script::queue("MessageBox", "IDYES");
    script::queue("MessageBox", "IDNO");
    ASSERT_EQ(0u, m_session.DeleteObsoleteContent());
    EXPECT_EQ(2u, script::transcript().size());
    EXPECT_EQ(1u, rootsOnCard());
    AcquiredContext card;
    ASSERT_TRUE(card.Acquire({}, provider(), PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    std::vector<BYTE> left(validRoot.certificate.der().size() + 1);
    DWORD size = static_cast<DWORD>(left.size());
    ASSERT_TRUE(CryptGetProvParam(card.get(), 0x10000003, left.data(), &size, 0));
    left.resize(size);
    EXPECT_EQ(validRoot.certificate.der(), left);
    // A key's certificate is no root of the card and stays.
    AcquiredContext owner;
    ASSERT_TRUE(owner.Acquire({}, provider(), PROV_RSA_FULL, CRYPT_DEFAULT_CONTAINER_OPTIONAL));
    EXPECT_FALSE(CryptSetProvParam(owner.get(), 0x10000004, m_current.certificate.der().data(), 0));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());
    EXPECT_EQ(m_current.certificate.der(), onCard(u"current"));
}

}  // namespace
