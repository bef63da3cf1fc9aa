// The session's key container on a SoftHSM2 token listed as each card
// provider the library knows: generated on the card in the reader named,
// selected, never exported or imported, deleted only after a Yes.
#include <gtest/gtest.h>

#include "../pentak_support.h"
#include "enroll.h"
#include "known_providers.h"
#include "platform/crypt_providers.h"
#include "platform/ui.h"
#include "testkit/csp.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

// The parameter is the provider's place in the known list.
class CardKeys : public ::testing::TestWithParam<std::size_t> {};

std::string testName(const ::testing::TestParamInfo<std::size_t>& info) {
    std::string name;
    for (const char16_t c : KnownProviders()[info.param].name)
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            name += static_cast<char>(c);
    return name;
}

INSTANTIATE_TEST_SUITE_P(KnownProviders, CardKeys, ::testing::Range<std::size_t>(0, KnownProviders().size()),
                         testName);

void answer(const char* reply) { platform::ui::script::queue("MessageBox", reply); }

TEST_P(CardKeys, GeneratedOnTheCardSelectedKeptThereAndDeletedAfterYes) {
    TESTKIT_REQUIRE_SOFTHSM();
    const TCryptProviderW& provider = KnownProviders()[GetParam()];
    testkit::PlatformRoot machine;
    testkit::PinPrompts prompts;
    testkit::SoftHsmToken token(machine, {.provider = provider.name});
    platform::crypt::registerCardProvider(provider.name, testkit::SoftHsmToken::module(), provider.type);

    CEnroll session;
    session.SetProviderName(provider.name);
    session.SetProviderType(provider.type);
    session.SetSmartCardReaderName(wide(token.options().label));
    session.SetContainerName(u"pentak");
    session.SetGenKeyFlags((1024u << 16) | CRYPT_EXPORTABLE);
    const std::u16string fullName = u"\\\\.\\" + wide(token.options().label) + u"\\pentak";
    ASSERT_EQ(fullName, session.FullContainerName());

    prompts.answer(token.options().pin);
    ASSERT_TRUE(session.KeyGenerate()) << std::hex << GetLastError();
    EXPECT_FALSE(session.KeyGenerate());
    EXPECT_EQ(static_cast<DWORD>(NTE_EXISTS), GetLastError());
    ASSERT_TRUE(session.KeySelect()) << std::hex << GetLastError();
    std::u16string name;
    ASSERT_TRUE(session.GetProviderContainerName(name));
    EXPECT_EQ(u"pentak", name);

    // The card's private keys never leave it, and it makes its own.
    std::vector<BYTE> keyPair;
    answer("IDYES");
    EXPECT_FALSE(session.ExportKeyPair(keyPair));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEY_STATE), GetLastError());
    EXPECT_TRUE(keyPair.empty());
    session.SetContainerName(u"imported");
    EXPECT_FALSE(session.KeyImport(base64Of(pki::Key::rsa(1024).pkcs1Der())));
    EXPECT_EQ(static_cast<DWORD>(NTE_NOT_SUPPORTED), GetLastError());

    session.SetContainerName(u"pentak");
    answer("IDNO");
    EXPECT_FALSE(session.KeyContainerDelete(fullName));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), GetLastError());
    EXPECT_TRUE(session.KeySelect());
    answer("IDYES");
    prompts.answer(token.options().pin);
    EXPECT_TRUE(session.KeyContainerDelete(fullName)) << std::hex << GetLastError();
    EXPECT_FALSE(session.KeySelect());
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEYSET), GetLastError());
    EXPECT_EQ(0u, prompts.unused());
}

}  // namespace
