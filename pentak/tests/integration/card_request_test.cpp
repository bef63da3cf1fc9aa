// A request signed on a SoftHSM2 token listed as the "KavloCSP" card
// provider: the card-information attributes from the provider's own
// parameters, the Kavlo attribute of application profile 1, the pending
// copy naming the card's key.
#include <gtest/gtest.h>

#include <numeric>
#include <optional>

#include "../request_support.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "enroll.h"
#include "my_error.h"
#include "platform/crypt_providers.h"
#include "testkit/csp.h"
#include "testkit/softhsm.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
namespace crypt = platform::crypt;

constexpr char16_t kKavloProvider[] = u"KavloCSP";
constexpr char16_t kCardContainer[] = u"pentak-card";

// Bytes first, first + 1, ... as a card might answer.
std::vector<BYTE> counting(std::size_t size, BYTE first) {
    std::vector<BYTE> bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

std::string hexOf(const std::vector<BYTE>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const BYTE b : bytes) text += {digits[b >> 4], digits[b & 15]};
    return text;
}

// The DER header and contents of an element.
std::vector<BYTE> element(BYTE tag, const std::vector<BYTE>& contents) {
    std::vector<BYTE> der = {tag};
    const std::size_t size = contents.size();
    if (size >= 256) der.insert(der.end(), {0x82, static_cast<BYTE>(size >> 8)});
    else if (size >= 128) der.push_back(0x81);
    der.push_back(static_cast<BYTE>(size));
    der.insert(der.end(), contents.begin(), contents.end());
    return der;
}

std::vector<BYTE> joined(std::initializer_list<std::vector<BYTE>> parts) {
    std::vector<BYTE> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class CardRequest : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SOFTHSM();
        TESTKIT_REQUIRE_PROGRAM("openssl");
        m_token.emplace(m_machine, testkit::SoftHsmOptions{.provider = kKavloProvider});
        answerKeyParameter(KP_INFO, [this](DWORD flags) {
            m_keyInfoFlags = flags;
            return m_keyInfo;
        });
        answerKeyParameter(0x10000000, [this](DWORD) { return m_kavloData; });
        answerProviderParameter(0x10000, m_cardData);
        answerProviderParameter(0x10000000, m_vendorData);

        m_session.SetProviderName(kKavloProvider);
        m_session.SetContainerName(kCardContainer);
        m_session.SetGenKeyFlags(1024u << 16);
        m_prompts.answer(m_token->options().pin);
        ASSERT_TRUE(m_session.KeyGenerate()) << std::hex << GetLastError();
    }

    void TearDown() override {
        m_session.Reset();
        crypt::clearParameterHooks();
    }

    void answerKeyParameter(DWORD param, std::function<std::vector<BYTE>(DWORD flags)> answer) {
        crypt::setParameterHook(kKavloProvider, crypt::ParameterKind::Key, param,
                                {[answer](const crypt::HookTarget& target, DWORD flags) {
                                     EXPECT_EQ(static_cast<DWORD>(AT_SIGNATURE), target.keySpec);
                                     return answer(flags);
                                 },
                                 {}});
    }
    void answerProviderParameter(DWORD param, const std::vector<BYTE>& value) {
        crypt::setParameterHook(kKavloProvider, crypt::ParameterKind::Provider, param,
                                {[value](const crypt::HookTarget&, DWORD) { return value; }, {}});
    }

    testkit::PlatformRoot m_machine;
    testkit::PinPrompts m_prompts;
    std::optional<testkit::SoftHsmToken> m_token;
    const std::vector<BYTE> m_cardData = counting(228, 0x40);
    const std::vector<BYTE> m_keyInfo = counting(30, 0x90);
    const std::vector<BYTE> m_vendorData = counting(20, 0xC0);
    std::vector<BYTE> m_kavloData = counting(57, 0x01);
    DWORD m_keyInfoFlags = 0;
    CEnroll m_session;
};

TEST_F(CardRequest, CardInformationFromTheProviderIsSignedOnTheToken) {
    // Profile 1 with the Kavlo provider asks the card for its data first; a
    // card that gives the wrong amount fails the request with nothing more.
    m_session.SetApplicationProfile(sgAppProfileQuib_CP31);
    std::u16string text = u"unchanged";
    EXPECT_FALSE(m_session.CreatePKCS10(text));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_FORMAT), GetLastError());
    EXPECT_EQ(u"unchanged", text);
    EXPECT_TRUE(logHasLine(849));
    EXPECT_FALSE(logHasLine(1689));

    m_kavloData = counting(58, 0x01);
    m_session.SetAttributeStringType(CERT_RDN_UTF8_STRING);
    ASSERT_TRUE(m_session.AddSubjectAttribute("2.5.4.3", u"Karta Nováková"));
    ASSERT_TRUE(m_session.AddAttribute_SmartCardInfo());
    EXPECT_EQ(0x4000000u, m_keyInfoFlags);
    ASSERT_TRUE(m_session.AddAttribute_SmartCardInfoSC());
    ASSERT_TRUE(m_session.AddAttribute_KavloCardInfo());
    ASSERT_TRUE(m_session.RequestedExtension_KeyUsage_SetBit(1));
    ASSERT_TRUE(m_session.CreatePKCS10(text)) << std::hex << GetLastError() << narrow(CMyError::Instance().GetText());

    const JudgedRequest request = judgeRequest(m_machine, text);
    EXPECT_EQ(std::vector<std::string>{"CN=UTF8STRING:Karta Nováková"}, request.subject);
    // The Kavlo attribute is there once, though the request asked for it
    // again; the attributes in the order DER gives a SET OF.
    EXPECT_EQ((std::vector<std::string>{"rsaEncryption", "Extension Request", "1.3.6.1.4.1.32473.4.1",
                                        "1.3.6.1.4.1.6625.1.2.1", "1.3.6.1.4.1.6625.1.2.1"}),
              request.objectsAtDepth(4));
    const auto octets = [](const std::vector<BYTE>& bytes) { return element(0x04, bytes); };
    const std::vector<BYTE> cardInfo =
        element(0x30, joined({{0x02, 0x01, 0x00}, octets(m_cardData), octets(m_keyInfo)}));
    const std::vector<BYTE> cardInfoSc =
        element(0x30, joined({{0x02, 0x01, 0x01}, octets(std::vector<BYTE>(228)), octets(m_vendorData)}));
    const std::vector<BYTE> kavlo = element(
        0x30, joined({{0x02, 0x01, 0x01, 0x02, 0x02, 0x01, 0x02},
                      octets({m_kavloData.begin() + 2, m_kavloData.begin() + 18}),
                      octets({m_kavloData.begin() + 18, m_kavloData.end()})}));
    for (const auto* value : {&cardInfo, &cardInfoSc, &kavlo})
        EXPECT_TRUE(contains(request.der, element(0x31, *value))) << hexOf(*value);

    // The pending copy names the card's key.
    const OwnedCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                                             u"REQUEST"));
    const OwnedCertContext pending(CertEnumCertificatesInStore(store.get(), nullptr));
    ASSERT_TRUE(pending);
    DWORD size = 0;
    ASSERT_TRUE(CertGetCertificateContextProperty(pending.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    RecordBuffer property(size);
    ASSERT_TRUE(CertGetCertificateContextProperty(pending.get(), CERT_KEY_PROV_INFO_PROP_ID, property.data(), &size));
    EXPECT_EQ(std::u16string(kCardContainer), property.as<CRYPT_KEY_PROV_INFO>().pwszContainerName);
    EXPECT_EQ(std::u16string(kKavloProvider), property.as<CRYPT_KEY_PROV_INFO>().pwszProvName);
    EXPECT_EQ(0u, m_prompts.unused());
}

}  // namespace
