// The session's card found through a pcscd of the test's own: virtual cards
// in the vpcd readers, their types and providers in the smart-card database
// of a fresh registry, the card dialog answered by the script backend.
#include <gtest/gtest.h>

#include <vector>

#include "../pentak_support.h"
#include "enroll.h"
#include "testkit/card_reader.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/scard.h"

namespace {

using namespace pentak_test;
using Bytes = std::vector<BYTE>;
namespace script = platform::ui::script;

constexpr char kRsaFull[] = "Microsoft Enhanced Cryptographic Provider v1.0";
constexpr char kRsaAes[] = "Microsoft Enhanced RSA and AES Cryptographic Provider";
const Bytes kAtrA = {0x3B, 0x8A, 0x80, 0x01, 0x54, 0x45, 0x53, 0x4B, 0x2D, 0x41, 0x00, 0x00, 0x00, 0x00, 0x1A};
const Bytes kAtrB = {0x3B, 0x8A, 0x80, 0x01, 0x54, 0x45, 0x53, 0x4B, 0x2D, 0x42, 0x00, 0x00, 0x00, 0x00, 0x19};
const Bytes kAtrPlain = {0x3B, 0x02, 0x14, 0x50};

void introduce(const char* card, const Bytes& atr, const char* provider) {
    ASSERT_EQ(SCARD_S_SUCCESS, SCardIntroduceCardTypeA(0, card, nullptr, nullptr, 0, atr.data(), nullptr,
                                                       static_cast<DWORD>(atr.size())));
    if (provider) {
        ASSERT_EQ(SCARD_S_SUCCESS, SCardSetCardTypeProviderNameA(0, card, SCARD_PROVIDER_CSP, provider));
    }
}

class PresentCard : public ::testing::Test {
protected:
    void SetUp() override {
        introduce("Tesk card A", kAtrA, kRsaFull);
        introduce("Tesk card B", kAtrB, kRsaAes);
        introduce("Plain card", kAtrPlain, nullptr);
    }
    void expectCleared() const {
        EXPECT_FALSE(m_session.GetProviderName().has_value());
        EXPECT_FALSE(m_session.GetSmartCardReaderName().has_value());
        EXPECT_FALSE(m_session.GetSmartCardName().has_value());
        EXPECT_EQ(1u, m_session.GetProviderType());
    }

    testkit::PlatformRoot m_machine;
    ScriptedUi m_ui;
    testkit::CardReaders m_readers;
    CEnroll m_session;
};

TEST_F(PresentCard, OneCardIsTakenAndTwoAreChosenInTheDialog) {
    // A card the database gives no provider is no candidate.
    auto plain = m_readers.insert(0, kAtrPlain);
    std::u16string provider = u"unchanged";
    EXPECT_EQ(static_cast<DWORD>(SCARD_E_CARD_UNSUPPORTED), m_session.GetPresentCardCSP(provider));
    EXPECT_EQ(u"unchanged", provider);
    expectCleared();
    plain->remove();

    auto second = m_readers.insert(1, kAtrB);
    ASSERT_EQ(0u, m_session.GetPresentCardCSP(provider));
    EXPECT_EQ(wide(kRsaAes), provider);
    EXPECT_EQ(wide(kRsaAes), m_session.GetProviderName());
    EXPECT_EQ(24u, m_session.GetProviderType());
    EXPECT_EQ(u"Virtual PCD 00 01", m_session.GetSmartCardReaderName());
    EXPECT_EQ(u"Tesk card B", m_session.GetSmartCardName());
    EXPECT_TRUE(script::transcript().empty());

    // Two cards: the dialog lists them by reader and its row is taken.
    auto first = m_readers.insert(0, kAtrA);
    script::queue("Dialog", "press:1",
                  "[\"Virtual PCD 00 00\", \"Tesk card A\", \"Microsoft Enhanced Cryptographic Provider v1.0\"]");
    ASSERT_EQ(0u, m_session.GetPresentCardCSP(provider));
    EXPECT_EQ(wide(kRsaFull), provider);
    EXPECT_EQ(1u, m_session.GetProviderType());
    EXPECT_EQ(u"Virtual PCD 00 00", m_session.GetSmartCardReaderName());
    EXPECT_EQ(u"Tesk card A", m_session.GetSmartCardName());

    script::queue("Dialog", "press:2", "[\"Virtual PCD 00 01\", \"Tesk card B\"");
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), m_session.GetPresentCardCSP(provider));
    EXPECT_EQ(wide(kRsaFull), provider);
    expectCleared();
}

TEST(PresentCardWithoutReaders, NoReaderIsAnUnknownReader) {
    testkit::PlatformRoot machine;
    testkit::CardReaders readers(testkit::CardReaders::Readers::None);
    CEnroll session;
    session.SetProviderName(u"KavloCSP");
    std::u16string provider;
    EXPECT_EQ(static_cast<DWORD>(SCARD_E_UNKNOWN_READER), session.GetPresentCardCSP(provider));
    EXPECT_EQ(static_cast<DWORD>(SCARD_E_UNKNOWN_READER), GetLastError());
    EXPECT_FALSE(session.GetProviderName().has_value());
}

}  // namespace
