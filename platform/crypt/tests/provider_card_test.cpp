// Card providers over a SoftHSM2 token: readers named in the container
// name, the PIN from the context or the prompt and its failures, keys that
// stay on the token, objects pkcs11-tool sees, and vendor parameters from
// hooks or from the token's data objects.
#include "platform/crypt_providers.h"
#include "provider_support.h"
#include "testkit/csp.h"
#include "testkit/softhsm.h"

using namespace provider_test;

namespace {

class CardProvider : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SOFTHSM();
        m_token.emplace(m_root);
        m_prompts.emplace();
    }
    void TearDown() override { platform::crypt::clearParameterHooks(); }

    const char16_t* provider() const { return m_token->options().provider.c_str(); }
    // A container made with the PIN given to the prompt.
    void makeContainer(const char16_t* name) {
        m_prompts->answer(m_token->options().pin);
        Context created(name, provider(), PROV_RSA_FULL, CRYPT_NEWKEYSET);
        ASSERT_TRUE(created) << created.error();
        HCRYPTKEY key = 0;
        ASSERT_TRUE(CryptGenKey(created.get(), AT_SIGNATURE, 1024 << 16, &key)) << GetLastError();
        CryptDestroyKey(key);
    }
    // Signs with a fresh context of the container; 0 or the error.
    DWORD signWith(const char16_t* container, DWORD flags, const std::string* pin) {
        Context context(container, provider(), PROV_RSA_FULL, flags);
        if (!context) return context.error();
        if (pin) {
            EXPECT_TRUE(
                CryptSetProvParam(context.get(), PP_SIGNATURE_PIN, reinterpret_cast<const BYTE*>(pin->c_str()), 0));
        }
        HCRYPTHASH hash = 0;
        EXPECT_TRUE(CryptCreateHash(context.get(), CALG_SHA_256, 0, 0, &hash));
        CryptHashData(hash, reinterpret_cast<const BYTE*>("abc"), 3, 0);
        BYTE signature[128];
        DWORD size = sizeof signature;
        const DWORD error = failureOf([&] { return CryptSignHashW(hash, AT_SIGNATURE, nullptr, 0, signature, &size); });
        CryptDestroyHash(hash);
        return error;
    }

    testkit::PlatformRoot m_root;
    std::optional<testkit::SoftHsmToken> m_token;
    std::optional<testkit::PinPrompts> m_prompts;
};

}  // namespace

TEST_F(CardProvider, ThePinPromptNamesTheProviderAndItsAnswersDecide) {
    makeContainer(u"Signer");
    EXPECT_EQ(1u, m_prompts->shown().size());
    EXPECT_EQ(0u, m_prompts->shown().at(0).find("Pin: Zintra CSP: SoftHSM slot"));

    m_prompts->answer(m_token->options().pin);
    EXPECT_EQ(0u, signWith(u"Signer", 0, nullptr));
    m_prompts->answer("0000");
    EXPECT_EQ(code(SCARD_E_INVALID_CHV), signWith(u"Signer", 0, nullptr));
    m_prompts->cancel();
    EXPECT_EQ(code(SCARD_W_CANCELLED_BY_USER), signWith(u"Signer", 0, nullptr));
    EXPECT_EQ(0u, m_prompts->unused());
}

TEST_F(CardProvider, APinSetOnTheContextIsUsedAndNoPromptIsShownWhenSilent) {
    makeContainer(u"Signer");
    const std::string right = m_token->options().pin;
    const std::string wrong = "9999";
    const std::size_t prompted = m_prompts->shown().size();
    EXPECT_EQ(0u, signWith(u"Signer", CRYPT_SILENT, &right));
    EXPECT_EQ(code(SCARD_E_INVALID_CHV), signWith(u"Signer", CRYPT_SILENT, &wrong));
    EXPECT_EQ(code(NTE_SILENT_CONTEXT), signWith(u"Signer", CRYPT_SILENT, nullptr));
    EXPECT_EQ(prompted, m_prompts->shown().size());
}

TEST_F(CardProvider, TheKeyStaysOnTheTokenWithItsCertificateWherePkcs11ToolSeesThem) {
    TESTKIT_REQUIRE_PROGRAM("pkcs11-tool");
    makeContainer(u"Signer");
    Context context(u"Signer", provider(), PROV_RSA_FULL, CRYPT_SILENT);
    const std::string pin = m_token->options().pin;
    ASSERT_TRUE(CryptSetProvParam(context.get(), PP_SIGNATURE_PIN, reinterpret_cast<const BYTE*>(pin.c_str()), 0));
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(context.get(), AT_SIGNATURE, &key));
    DWORD size = 0;
    EXPECT_EQ(code(NTE_BAD_KEY_STATE), failureOf([&] { return CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &size); }));
    const Bytes cert = opensslCertificate(m_root, "Card Holder");
    ASSERT_TRUE(CryptSetKeyParam(key, KP_CERTIFICATE, cert.data(), 0)) << GetLastError();
    CryptDestroyKey(key);

    const auto certificates = m_token->pkcs11Tool({"--list-objects", "--type", "cert"});
    ASSERT_EQ(0, certificates.exitCode) << certificates.err;
    EXPECT_NE(std::string::npos, certificates.out.find("label:      Signer")) << certificates.out;
    EXPECT_NE(std::string::npos, certificates.out.find("Card Holder")) << certificates.out;
    EXPECT_NE(std::string::npos, certificates.out.find("ID:         5369676e657202")) << certificates.out;
    const auto exported = m_token->pkcs11Tool({"--read-object", "--type", "cert", "--label", "Signer", "--output-file",
                                               (m_root.path() / "read.der").string()});
    ASSERT_EQ(0, exported.exitCode) << exported.err;
    const std::string read = m_root.read("read.der");
    EXPECT_EQ(cert, Bytes(read.begin(), read.end()));
    const auto privateKeys = m_token->pkcs11Tool({"--list-objects", "--type", "privkey"});
    EXPECT_NE(std::string::npos, privateKeys.out.find("Access:     sensitive, always sensitive, never extractable"))
        << privateKeys.out;
}

TEST_F(CardProvider, ReadersAreNamedByTokenLabelOrSlotDescription) {
    makeContainer(u"Signer");
    const std::u16string label = u"\\\\.\\Tesk Token\\Signer";
    EXPECT_TRUE(Context(label.c_str(), provider(), PROV_RSA_FULL, 0));
    EXPECT_EQ(code(NTE_BAD_KEYSET), Context(u"\\\\.\\Tesk Token\\Nobody", provider(), PROV_RSA_FULL, 0).error());
    EXPECT_EQ(code(SCARD_E_UNKNOWN_READER), Context(u"\\\\.\\No Reader\\Signer", provider(), PROV_RSA_FULL, 0).error());
    // A verify context of the reader alone lists its containers.
    Context reader(u"\\\\.\\Tesk Token\\", provider(), PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    ASSERT_TRUE(reader) << reader.error();
    char name[261];
    DWORD size = sizeof name;
    ASSERT_TRUE(CryptGetProvParam(reader.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &size, CRYPT_FIRST));
    EXPECT_STREQ("Signer", name);
    PROV_ENUMALGS_EX algorithm{};
    size = sizeof algorithm;
    bool sha256 = false;
    for (DWORD flags = CRYPT_FIRST;
         CryptGetProvParam(reader.get(), PP_ENUMALGS_EX, reinterpret_cast<BYTE*>(&algorithm), &size, flags); flags = 0)
        sha256 |= algorithm.aiAlgid == CALG_SHA_256;
    EXPECT_TRUE(sha256);
}

TEST_F(CardProvider, VendorParametersGoThroughTheProvidersHooks) {
    makeContainer(u"Signer");
    Context context(u"Signer", provider(), PROV_RSA_FULL, 0);
    DWORD size = 0;
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptGetProvParam(context.get(), 0x10000021, nullptr, &size, 0); }));

    platform::crypt::setParameterHook(provider(), platform::crypt::ParameterKind::Provider, 0x10000021,
                                      {[](const platform::crypt::HookTarget&, DWORD) { return Bytes{'4', '2', 0}; }, {}});
    HCRYPTPROV seen = 0;
    DWORD seenSpec = 9;
    platform::crypt::setParameterHook(
        provider(), platform::crypt::ParameterKind::Key, 0x10000020,
        {{}, [&](const platform::crypt::HookTarget& target, const BYTE*, DWORD) {
             seen = target.provider;
             seenSpec = target.keySpec;
         }});
    char number[8];
    size = sizeof number;
    ASSERT_TRUE(CryptGetProvParam(context.get(), 0x10000021, reinterpret_cast<BYTE*>(number), &size, 0));
    EXPECT_STREQ("42", number);
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptSetProvParam(context.get(), 0x10000021, nullptr, 0); }));

    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(context.get(), AT_SIGNATURE, &key));
    const BYTE blob[4] = {1, 2, 3, 4};
    ASSERT_TRUE(CryptSetKeyParam(key, 0x10000020, blob, 0));
    EXPECT_EQ(context.get(), seen);
    EXPECT_EQ(static_cast<DWORD>(AT_SIGNATURE), seenSpec);
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptGetKeyParam(key, 0x10000000, nullptr, &size, 0); }));
    CryptDestroyKey(key);
    // The hooks belong to the provider of that name only.
    Context software(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptGetProvParam(software.get(), 0x10000021, nullptr, &size, 0); }));
}

TEST_F(CardProvider, VendorParametersWithoutHooksAreTheTokensPublicDataObjects) {
    makeContainer(u"Signer");
    const Bytes serial = {'S', 'N', 0, 0x42, 0xFF};
    Bytes keyInfo(58);
    for (std::size_t i = 0; i < keyInfo.size(); ++i) keyInfo[i] = static_cast<BYTE>(i * 7);
    m_token->writeDataObject("Tesk provider parameter 0x10000", "", serial);
    m_token->writeDataObject("Tesk key parameter 0x10000000 of key spec 2", "Signer", keyInfo);
    m_token->writeDataObject("Tesk key parameter 0x12 of key spec 1", "Signer", {1, 2, 3});
    m_token->writeDataObject("Tesk provider parameter 0x10000001", "", Bytes(64 * 1024 + 1, 0xAB));

    // Public data is read without a PIN: the context is silent and has none.
    Context context(u"Signer", provider(), PROV_RSA_FULL, CRYPT_SILENT);
    ASSERT_TRUE(context) << context.error();
    DWORD size = 0;
    ASSERT_TRUE(CryptGetProvParam(context.get(), 0x10000, nullptr, &size, 0)) << GetLastError();
    Bytes read(size);
    ASSERT_TRUE(CryptGetProvParam(context.get(), 0x10000, read.data(), &size, 0));
    EXPECT_EQ(serial, read);
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptSetProvParam(context.get(), 0x10000, serial.data(), 0); }));
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptGetProvParam(context.get(), 0x10000000, nullptr, &size, 0); }));
    EXPECT_EQ(code(NTE_BAD_DATA), failureOf([&] { return CryptGetProvParam(context.get(), 0x10000001, nullptr, &size, 0); }));

    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(context.get(), AT_SIGNATURE, &key));
    size = 0;
    ASSERT_TRUE(CryptGetKeyParam(key, 0x10000000, nullptr, &size, 0)) << GetLastError();
    read.assign(size, 0);
    ASSERT_TRUE(CryptGetKeyParam(key, 0x10000000, read.data(), &size, 0));
    EXPECT_EQ(keyInfo, read);
    // The exchange key's data is not the signature key's.
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptGetKeyParam(key, KP_INFO, nullptr, &size, 0x4000000); }));
    const BYTE blob[1] = {0};
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptSetKeyParam(key, 0x10000000, blob, 0); }));

    // A hook of this process wins over the card's data.
    platform::crypt::setParameterHook(provider(), platform::crypt::ParameterKind::Key, 0x10000000,
                                      {[](const platform::crypt::HookTarget&, DWORD) { return Bytes{'h'}; }, {}});
    size = 1;
    ASSERT_TRUE(CryptGetKeyParam(key, 0x10000000, read.data(), &size, 0));
    EXPECT_EQ(1u, size);
    EXPECT_EQ('h', read[0]);
    CryptDestroyKey(key);
}

TEST_F(CardProvider, NewKeysetOnAnExistingContainerIsRefused) {
    makeContainer(u"Signer");
    EXPECT_EQ(code(NTE_EXISTS), Context(u"Signer", provider(), PROV_RSA_FULL, CRYPT_NEWKEYSET).error());
    EXPECT_EQ(code(NTE_BAD_KEYSET), Context(u"Missing", provider(), PROV_RSA_FULL, 0).error());
    // A software PIN parameter is unknown to software providers.
    Context software(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] {
                  return CryptSetProvParam(software.get(), PP_SIGNATURE_PIN, reinterpret_cast<const BYTE*>("1"), 0);
              }));
}
