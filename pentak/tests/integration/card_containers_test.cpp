// A SoftHSM2 token listed as the "Zintra CSP" card provider: certificates
// written onto and read from its containers, the containers found by
// reader, the provider's own parameters, and the PIN outcomes of signing.
#include <gtest/gtest.h>

#include "../pentak_support.h"
#include "cert_key_lookup.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/pem.h"
#include "containers.h"
#include "display_name.h"
#include "key_records.h"
#include "platform/crypt_providers.h"
#include "sign_buffer.h"
#include "testkit/csp.h"

namespace {

using namespace pentak_test;

// A certificate of the standard CA for the public key, made by openssl.
OwnedCertContext certificateFor(const testkit::PlatformRoot& machine, const std::string& publicKeyPem) {
    const auto folder = machine.path() / "peer";
    hierarchy().standardCa.write(folder, "ca");
    testkit::writeFile(folder / "key.pem", publicKeyPem);
    testkit::writeFile(folder / "user.cnf", "[v3]\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n");
    const auto made = testkit::run({"openssl", "x509", "-new", "-subj", "/CN=Pentak Card User", "-force_pubkey",
                                    "key.pem", "-CA", "ca.pem", "-CAkey", "ca.key", "-days", "30", "-extfile",
                                    "user.cnf", "-extensions", "v3", "-outform", "DER", "-out", "user.der"},
                                   folder);
    EXPECT_EQ(0, made.exitCode) << made.err;
    const std::string der = testkit::readFile(folder / "user.der");
    return contextOf(std::vector<BYTE>(der.begin(), der.end()));
}

class CardContainers : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SOFTHSM();
        TESTKIT_REQUIRE_PROGRAM("openssl");
        m_card.emplace(testkit::CspKind::SoftHsmToken, m_machine, u"pentak");
        m_card->generate(AT_KEYEXCHANGE, 2048);
        m_user = certificateFor(m_machine, m_card->publicKeyPem(AT_KEYEXCHANGE));
        ASSERT_TRUE(m_user);
        nameKey(m_user.get(), provider().c_str(), u"pentak", AT_KEYEXCHANGE);
    }

    void TearDown() override { platform::crypt::clearParameterHooks(); }

    const std::u16string& provider() const { return m_card->provider(); }
    std::vector<BYTE> userDer() const { return derOf(m_user.get()); }

    testkit::PlatformRoot m_machine;
    testkit::PinPrompts m_prompts;
    std::optional<testkit::TestCsp> m_card;
    OwnedCertContext m_user;
};

TEST_F(CardContainers, CertificatesAreWrittenReadFoundAndRemoved) {
    EnrollEntry onCard{provider(), PROV_RSA_FULL, u"pentak", AT_KEYEXCHANGE, {}, {{userDer(), AT_KEYEXCHANGE, 0}}};
    EnrollEntry missing{provider(), PROV_RSA_FULL, u"absent", AT_KEYEXCHANGE, {}, {{userDer(), AT_KEYEXCHANGE, 0}}};
    std::vector<EnrollEntry> entries = {missing, onCard};
    TCryptoapi api;
    EXPECT_FALSE(api.WriteCertificatesToCards(entries));
    EXPECT_EQ(0u, entries[0].certificates[0].flags & kCertWrittenToCard);
    EXPECT_EQ(kCertWrittenToCard, entries[1].certificates[0].flags & kCertWrittenToCard);

    CspStoreEntry entry;
    ASSERT_TRUE(LoadContainerEntry(provider(), PROV_RSA_FULL, u"pentak", entry));
    ASSERT_EQ(1u, entry.keys.size());
    const CspKeyRecord& key = entry.keys[0];
    EXPECT_EQ(userDer(), key.certificate);
    EXPECT_EQ(2048u, key.bitLength);
    EXPECT_EQ("1.2.840.113549.1.1.1", key.algorithmOid);
    EXPECT_EQ("Pentak Card User", key.info.certificate.subjectSimpleName);
    EXPECT_EQ(u"pentak", key.info.container);
    EXPECT_EQ(provider(), key.info.provider);

    CertKeyInfo found;
    ASSERT_TRUE(FindCertKeyInStores(userDer(), {entry}, found));
    EXPECT_EQ(u"pentak", found.container);
    EXPECT_EQ(static_cast<DWORD>(AT_KEYEXCHANGE), found.keySpec);

    // The key's hash with SHA-1 is the certificate's key identifier.
    std::u16string containers, hashes, certificates;
    ASSERT_TRUE(JoinPubKeyHashes({entry, entry}, CALG_SHA1, containers, hashes, certificates));
    std::vector<BYTE> keyId;
    ASSERT_TRUE(TCryptoapi::GetKeyIdentifiers(m_user.get(), kSubjectKeyId, keyId));
    const std::u16string keyIdText = HexText(keyId.data(), static_cast<DWORD>(keyId.size()), kHexGroupSizeGiven);
    EXPECT_EQ(u"pentak|pentak", containers);
    EXPECT_EQ(keyIdText + u"|" + keyIdText, hashes);

    const CERT_PUBLIC_KEY_INFO& own = m_user->pCertInfo->SubjectPublicKeyInfo;
    const auto otherCertificate = contextOf(hierarchy().commercial.certificate);
    const CERT_PUBLIC_KEY_INFO& other = otherCertificate->pCertInfo->SubjectPublicKeyInfo;
    EXPECT_TRUE(api.ContainerMatchesPublicKey(provider(), PROV_RSA_FULL, u"pentak", AT_KEYEXCHANGE, own));
    EXPECT_FALSE(api.ContainerMatchesPublicKey(provider(), PROV_RSA_FULL, u"pentak", AT_KEYEXCHANGE, other));

    ASSERT_TRUE(api.RemoveContainerCertificate(provider(), PROV_RSA_FULL, u"pentak", AT_KEYEXCHANGE));
    ASSERT_TRUE(LoadContainerEntry(provider(), PROV_RSA_FULL, u"pentak", entry));
    EXPECT_TRUE(entry.keys[0].certificate.empty());
    // The key is still the certificate's: it is found by its public key.
    found = {};
    ASSERT_TRUE(FindCertKeyInStores(userDer(), {entry}, found));
    EXPECT_EQ(u"pentak", found.container);
}

TEST_F(CardContainers, ContainersAreListedByReaderAndAlgorithmListsKept) {
    TCryptoapi api;
    std::vector<std::u16string> containers;
    ASSERT_TRUE(api.EnumProviderContainers(provider(), PROV_RSA_FULL, u"", containers));
    EXPECT_EQ(std::vector<std::u16string>{u"pentak"}, containers);
    const std::u16string label = wide(m_card->token()->options().label);
    ASSERT_TRUE(api.EnumProviderContainers(provider(), PROV_RSA_FULL, label, containers));
    EXPECT_EQ(std::vector<std::u16string>{u"pentak"}, containers);
    ASSERT_TRUE(api.EnumProviderContainers(provider(), PROV_RSA_FULL, u"\\\\.\\No Such Reader", containers));
    EXPECT_TRUE(containers.empty());

    PROV_ENUMALGS_EX record{};
    ASSERT_TRUE(api.FindProviderAlgorithm(provider(), PROV_RSA_FULL, CALG_SHA1, record));
    // Once read, the list answers even when the provider has gone.
    platform::crypt::unregisterProvider(provider());
    EXPECT_TRUE(api.FindProviderAlgorithm(provider(), PROV_RSA_FULL, CALG_RSA_KEYX, record));
    TCryptoapi fresh;
    EXPECT_FALSE(fresh.FindProviderAlgorithm(provider(), PROV_RSA_FULL, CALG_RSA_KEYX, record));
}

TEST_F(CardContainers, TheCardProviderOwnParametersCarryTheCardNumberAndCertificates) {
    std::vector<BYTE> handed;
    platform::crypt::setParameterHook(
        provider(), platform::crypt::ParameterKind::Provider, 0x10000021,
        {[](const platform::crypt::HookTarget&, DWORD) { return std::vector<BYTE>{'0', '4', '2', '7', 0}; }, {}});
    platform::crypt::setParameterHook(provider(), platform::crypt::ParameterKind::Provider, 0x10000005,
                                      {{}, [&](const platform::crypt::HookTarget&, const BYTE* data, DWORD) {
                                           handed.assign(data, data + m_user->cbCertEncoded);
                                       }});
    TCryptoapi api;
    std::u16string number;
    ASSERT_TRUE(api.ReadCardNumber(provider(), PROV_RSA_FULL, u"pentak", number));
    EXPECT_EQ(u"0427", number);
    ASSERT_TRUE(api.InstallCertificates({userDer()}, {}, provider(), 4));
    EXPECT_EQ(userDer(), handed);
}

// A key made in a context released at once, so that signing logs in anew.
class CardSigning : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SOFTHSM();
        TESTKIT_REQUIRE_PROGRAM("openssl");
        m_token.emplace(m_machine);
        const std::u16string& provider = m_token->options().provider;
        HCRYPTPROV context = 0;
        HCRYPTKEY key = 0;
        ASSERT_TRUE(CryptAcquireContextW(&context, u"signer", provider.c_str(), PROV_RSA_FULL, CRYPT_NEWKEYSET));
        const std::string& pin = m_token->options().pin;
        CryptSetProvParam(context, PP_SIGNATURE_PIN, reinterpret_cast<const BYTE*>(pin.c_str()), 0);
        ASSERT_TRUE(CryptGenKey(context, AT_SIGNATURE, 2048u << 16, &key));
        CryptDestroyKey(key);
        std::vector<BYTE> publicKey;
        RecordBuffer info;
        ASSERT_TRUE(ExportPublicKeyInfo(context, AT_SIGNATURE, info));
        ASSERT_TRUE(EncodePublicKeyInfo(info.as<CERT_PUBLIC_KEY_INFO>(), publicKey));
        CryptReleaseContext(context, 0);
        std::string base64;
        Base64ConvertVector(publicKey, base64, 5);
        m_signer = certificateFor(m_machine, "-----BEGIN PUBLIC KEY-----\n" + base64 + "-----END PUBLIC KEY-----\n");
        ASSERT_TRUE(m_signer);
        nameKey(m_signer.get(), provider.c_str(), u"signer", AT_SIGNATURE);
    }

    testkit::PlatformRoot m_machine;
    testkit::PinPrompts m_prompts;
    std::optional<testkit::SoftHsmToken> m_token;
    OwnedCertContext m_signer;
};

TEST_F(CardSigning, PinOutcomesAreErrorNumbers) {
    const std::vector<BYTE> data = {'a', 'b', 'c'};
    TCryptoapi api;
    std::vector<BYTE> message;
    m_prompts.answer("0000");
    EXPECT_EQ(kSignBufferWrongPin, api.SignBuffer(m_signer.get(), {}, u"1.3.14.3.2.26", data, message));
    m_prompts.cancel();
    EXPECT_EQ(kSignBufferCancelled, api.SignBuffer(m_signer.get(), {}, u"1.3.14.3.2.26", data, message));
    EXPECT_TRUE(message.empty());
    m_prompts.answer(m_token->options().pin);
    EXPECT_EQ(0u, api.SignBuffer(m_signer.get(), {m_signer.get()}, u"1.3.14.3.2.26", data, message));
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(0u, m_prompts.unused());
}

}  // namespace
