// Signing with a key on a SoftHSM2 token, its PIN asked for through the
// script UI: the messages `openssl cms -verify` accepts, the card's PIN
// outcomes as error numbers, and a policy refusal that comes before any PIN.
#include <cstdlib>

#include "../cms_sign_support.h"
#include "common/cms_sign.h"
#include "common/cryptoapi.h"
#include "platform/crypt_providers.h"
#include "testkit/csp.h"

namespace {

using namespace cms_sign_test;

class CmsSignTokenTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        TESTKIT_REQUIRE_SOFTHSM();
        m_signer.emplace(testkit::CspKind::SoftHsmToken, m_machine, m_peer);
    }

    DWORD Sign(DWORD flags, Bytes& out, const SignPolicyInfo* policy = nullptr) {
        return TCryptoapi::SignBufferWithCert(m_signer->record(), {recordOf(hierarchy().standardCa.certificate)},
                                              kSha256, flags, m_content, out, policy);
    }

    testkit::PlatformRoot m_machine;
    Peer m_peer{m_machine.path() / "peer"};
    testkit::PinPrompts m_prompts;
    std::optional<Signer> m_signer;
    Bytes m_content = bytesOf("Žádost o obnovení certifikátu\r\n");
};

TEST_F(CmsSignTokenTest, AttachedAndDetachedMessagesVerifyAgainstTheRoot) {
    for (const DWORD form : {0u, kSignDetached}) {
        m_prompts.answer(m_signer->token()->options().pin);
        Bytes message;
        ASSERT_EQ(0u, Sign(form | kSignSigningTime | kSignSigningCert | kSignSigningCertV2, message));
        EXPECT_EQ("", m_peer.verifyFails(message, m_content, form == kSignDetached, "signer.pem")) << form;
    }
    EXPECT_EQ(2u, m_prompts.shown().size());
}

TEST_F(CmsSignTokenTest, PinOutcomesAreErrorNumbers) {
    Bytes message;
    m_prompts.answer("0000");
    EXPECT_EQ(kErrSignWrongPin, Sign(kSignSigningTime, message));
    m_prompts.cancel();
    EXPECT_EQ(kErrSignCancelled, Sign(kSignSigningTime, message));
    EXPECT_TRUE(message.empty());
    EXPECT_EQ(0u, m_prompts.unused());

    // The same token behind a module that reports its PIN blocked.
    setenv("TESK_BLOCKED_PIN_TARGET", testkit::SoftHsmToken::module().c_str(), 1);
    platform::crypt::registerCardProvider(m_signer->token()->options().provider, TESK_BLOCKED_PIN_MODULE);
    m_prompts.answer(m_signer->token()->options().pin);
    EXPECT_EQ(kErrSignPinBlocked, Sign(kSignSigningTime, message));
    unsetenv("TESK_BLOCKED_PIN_TARGET");
}

TEST_F(CmsSignTokenTest, APolicyRefusalAsksForNoPin) {
    SignPolicyInfo policy;
    policy.commonRules.signerAndVerifier.externalSignedData = kExternalSignedDataFalse;
    policy.commonRules.algorithms.signer.push_back({});
    policy.commonRules.algorithms.signer.back().algorithm = kSha256;
    Bytes message;
    EXPECT_EQ(kErrSignPolicy, Sign(kSignDetached, message, &policy));
    EXPECT_TRUE(m_prompts.shown().empty());
}

}  // namespace
