// The session's key container in the software provider: its full name,
// generation, selection, export and import judged by openssl, the user's
// say before a key leaves or a container goes, and the provider questions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "containers.h"
#include "enroll.h"
#include "my_error.h"
#include "pentak_resource.h"
#include "pentak_support.h"
#include "platform/ui.h"
#include "testkit/csp.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

using namespace pentak_test;

std::u16string fullName(const char16_t* reader, const char16_t* container) {
    CEnroll session;
    if (reader) session.SetSmartCardReaderName(reader);
    if (container) session.SetContainerName(container);
    return session.FullContainerName();
}

TEST(FullContainerName, ReaderPrefixAndContainer) {
    EXPECT_EQ(u"\\\\.\\Reader 1\\abc", fullName(u"Reader 1", u"abc"));
    EXPECT_EQ(u"\\\\.\\Reader 1\\", fullName(u"Reader 1", nullptr));
    EXPECT_EQ(u"\\\\.\\Other\\xyz", fullName(u"Reader 1", u"\\\\.\\Other\\xyz"));
    EXPECT_EQ(u"\\\\.\\Reader 1\\abc", fullName(u"\\\\.\\Reader 1\\", u"abc"));
    EXPECT_EQ(u"abc", fullName(u"", u"abc"));
    EXPECT_EQ(u"", fullName(nullptr, nullptr));
}

void answer(const char* reply) { platform::ui::script::queue("MessageBox", reply); }

// Whether a number of the PKCS#1 key is shorter than its place beside the
// modulus in a key blob (d the modulus length, the others half of it).
bool hasShortNumber(const std::vector<BYTE>& pkcs1) {
    const DecodedObject sequence(X509_SEQUENCE_OF_ANY, pkcs1.data(), static_cast<DWORD>(pkcs1.size()));
    const auto& elements = sequence.as<CRYPT_SEQUENCE_OF_ANY>();
    const auto length = [&](DWORD i) {
        const DecodedObject number(X509_MULTI_BYTE_UINT, elements.rgValue[i]);
        const auto& value = number.as<CRYPT_UINT_BLOB>();
        DWORD size = value.cbData;
        while (size > 0 && value.pbData[size - 1] == 0) --size;
        return size;
    };
    const DWORD modulus = length(1);
    if (length(3) < modulus) return true;
    for (DWORD i = 4; i < 9; ++i)
        if (length(i) < (modulus + 1) / 2) return true;
    return false;
}

class SoftwareKeys : public ::testing::Test {
protected:
    SoftwareKeys() {
        m_session.SetProviderName(kSoftwareProvider);
        m_session.SetContainerName(u"pentak-keys");
        m_session.SetGenKeyFlags((1024u << 16) | CRYPT_EXPORTABLE);
    }

    void TearDown() override {
        EXPECT_EQ(0u, platform::ui::script::pending());
        TPentakResource::ReleaseInstance();
    }

    // The PKCS#1 DER of a key openssl makes.
    std::vector<BYTE> opensslKey(const std::string& name, const std::vector<std::string>& options) {
        std::vector<std::string> generate = {"openssl", "genpkey", "-algorithm", "RSA", "-out", name + ".pem"};
        generate.insert(generate.end(), options.begin(), options.end());
        EXPECT_EQ(0, testkit::run(generate, m_machine.path()).exitCode);
        const auto converted = testkit::run(
            {"openssl", "rsa", "-in", name + ".pem", "-traditional", "-outform", "DER", "-out", name + ".der"},
            m_machine.path());
        EXPECT_EQ(0, converted.exitCode) << converted.err;
        const std::string der = m_machine.read(name + ".der");
        return {der.begin(), der.end()};
    }

    // The session's exported key pair, the export answered Yes.
    std::vector<BYTE> exported() {
        answer("IDYES");
        std::u16string text;
        EXPECT_TRUE(m_session.KeyExport(text)) << std::hex << GetLastError();
        return bytesOfBase64(text);
    }

    testkit::PlatformRoot m_machine;
    testkit::PinPrompts m_ui;
    CEnroll m_session;
};

TEST_F(SoftwareKeys, GenerateCreatesTheContainerOnceAndSelectOpensIt) {
    std::u16string name = u"unchanged";
    EXPECT_FALSE(m_session.GetProviderContainerName(name));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(u"unchanged", name);
    CMyError::Instance().SetText(u"");

    EXPECT_FALSE(m_session.KeySelect());
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEYSET), GetLastError());
    EXPECT_EQ(u"", CMyError::Instance().GetText());

    ASSERT_TRUE(m_session.KeyGenerate()) << std::hex << GetLastError();
    EXPECT_EQ(0u, GetLastError());
    ASSERT_TRUE(m_session.KeySelect());
    ASSERT_TRUE(m_session.GetProviderContainerName(name));
    EXPECT_EQ(u"pentak-keys", name);

    EXPECT_FALSE(m_session.KeyGenerate());
    EXPECT_EQ(static_cast<DWORD>(NTE_EXISTS), GetLastError());
    EXPECT_TRUE(CMyError::Instance().GetText().starts_with(
        u"Enroll (line: 980) (MyError:10000000) (LastError:0x8009000f) (errno:"));
}

TEST_F(SoftwareKeys, GeneratedKeyExportsAsAKeyOpensslChecks) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    ASSERT_TRUE(m_session.KeyGenerate());
    const std::vector<BYTE> der = exported();
    m_machine.write("generated.der", std::string(der.begin(), der.end()));
    const auto check = testkit::run({"openssl", "rsa", "-inform", "DER", "-in", "generated.der", "-check", "-noout"},
                                    m_machine.path());
    EXPECT_EQ(0, check.exitCode) << check.err;
    EXPECT_EQ("RSA key ok\n", check.out);
    // The user was asked about this container.
    const auto questions = platform::ui::script::transcript();
    ASSERT_EQ(1u, questions.size());
    EXPECT_NE(std::string::npos, questions[0].find("\"pentak-keys\"")) << questions[0];

    // The exported key is the container's own.
    const auto publicKey = testkit::run(
        {"openssl", "rsa", "-inform", "DER", "-in", "generated.der", "-pubout", "-outform", "DER"}, m_machine.path());
    AcquiredContext context;
    ASSERT_TRUE(context.Acquire(u"pentak-keys", kSoftwareProvider, PROV_RSA_FULL, 0));
    RecordBuffer info;
    std::vector<BYTE> own;
    ASSERT_TRUE(ExportPublicKeyInfo(context.get(), AT_SIGNATURE, info));
    ASSERT_TRUE(EncodePublicKeyInfo(info.as<CERT_PUBLIC_KEY_INFO>(), own));
    EXPECT_EQ(std::string(own.begin(), own.end()), publicKey.out);
}

TEST_F(SoftwareKeys, ImportedKeysExportByteForByte) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    // A key whose numbers fill their places, and one with a number shorter
    // than its place, which a key blob holds padded and DER holds short.
    std::vector<std::vector<BYTE>> keys = {opensslKey("full", {"-pkeyopt", "rsa_keygen_bits:2048"})};
    for (int i = 0; keys.size() < 2 && i < 4000; ++i) {
        const auto candidate = testkit::pki::Key::rsa(1024, "short number " + std::to_string(i)).pkcs1Der();
        if (hasShortNumber(candidate)) keys.emplace_back(candidate.begin(), candidate.end());
    }
    ASSERT_EQ(2u, keys.size());
    m_session.SetKeySpec(AT_KEYEXCHANGE);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        m_session.SetContainerName(u"imported " + wide(std::to_string(i)));
        ASSERT_TRUE(m_session.KeyImport(base64Of(keys[i]))) << i << std::hex << " " << GetLastError();
        EXPECT_EQ(keys[i], exported()) << i;
    }
}

TEST_F(SoftwareKeys, KeysThatDoNotFitAreRefusedAndLeaveNoContainer) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    // Eight small integers: an RSAPrivateKey without its coefficient.
    const std::vector<BYTE> eight = {0x30, 0x18, 0x02, 0x01, 0x00, 0x02, 0x01, 0x21, 0x02, 0x01, 0x03,
                                     0x02, 0x01, 0x07, 0x02, 0x01, 0x03, 0x02, 0x01, 0x0B, 0x02, 0x01,
                                     0x01, 0x02, 0x01, 0x03, 0x02, 0x01, 0x02};
    const std::vector<BYTE> wideExponent = opensslKey("e33", {"-pkeyopt", "rsa_keygen_bits:1024", "-pkeyopt",
                                                              "rsa_keygen_pubexp:4294967297"});
    for (const auto& key : {eight, wideExponent}) {
        EXPECT_FALSE(m_session.KeyImport(base64Of(key)));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    }
    EXPECT_TRUE(logHasLine(1066));
    EXPECT_TRUE(logHasLine(1146));
    EXPECT_FALSE(m_session.KeyImport(u""));
    EXPECT_TRUE(logHasLine(1144));
    EXPECT_FALSE(m_session.KeySelect());
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEYSET), GetLastError());
}

TEST_F(SoftwareKeys, AKeyLeavesOnlyWhenTheUserSaysYesAndItIsExportable) {
    ASSERT_TRUE(m_session.KeyGenerate());
    std::vector<BYTE> keyPair = {1, 2, 3};
    answer("IDNO");
    EXPECT_FALSE(m_session.ExportKeyPair(keyPair));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), GetLastError());
    EXPECT_TRUE(keyPair.empty());
    EXPECT_TRUE(logHasLine(1227));

    m_session.SetContainerName(u"kept inside");
    m_session.SetGenKeyFlags(1024u << 16);
    ASSERT_TRUE(m_session.KeyGenerate());
    answer("IDYES");
    EXPECT_FALSE(m_session.ExportKeyPair(keyPair));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEY_STATE), GetLastError());
    EXPECT_TRUE(keyPair.empty());
}

TEST_F(SoftwareKeys, DeletionAsksAndKeepsTheContainerOnNo) {
    ASSERT_TRUE(m_session.KeyGenerate());
    EXPECT_FALSE(m_session.KeyContainerDelete(u""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_TRUE(platform::ui::script::transcript().empty());

    answer("IDNO");
    EXPECT_FALSE(m_session.KeyContainerDelete(u"pentak-keys"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), GetLastError());
    EXPECT_TRUE(logHasLine(946));
    EXPECT_TRUE(m_session.KeySelect());

    ASSERT_EQ(0u, m_session.SetGUILanguage(u"en"));
    answer("IDYES");
    EXPECT_TRUE(m_session.KeyContainerDelete(u"pentak-keys"));
    EXPECT_FALSE(m_session.KeySelect());
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEYSET), GetLastError());
    EXPECT_EQ("MessageBox: Delete key set: Do you want to delete the key container with the name \"pentak-keys\"?\n"
              "All key pairs in the key container are also destroyed.",
              platform::ui::script::transcript().back());
}

TEST_F(SoftwareKeys, QuestionsTakeAnAnswerSlotAndShowTheirText) {
    int answerSlot = 0;
    EXPECT_FALSE(m_session.Confirm(answerSlot, 20, 21, u"CN=Old Root"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(m_session.ConfirmContainerAction(answerSlot, 13, 14));
    EXPECT_EQ(0, answerSlot);
    // No key context: no container name to ask about.
    answerSlot = IDNO;
    EXPECT_FALSE(m_session.ConfirmContainerAction(answerSlot, 13, 14));
    EXPECT_EQ(-1, answerSlot);
    EXPECT_TRUE(platform::ui::script::transcript().empty());

    ASSERT_EQ(0u, m_session.SetGUILanguage(u"en"));
    answer("IDYES");
    answerSlot = IDNO;
    EXPECT_TRUE(m_session.Confirm(answerSlot, 20, 21, u"CN=Old Root"));
    EXPECT_EQ(IDYES, answerSlot);
    EXPECT_EQ(std::vector<std::string>{"MessageBox: Delete a root certificate: Do you want to delete the expired root "
                                       "certificate?\nCertificate subject: CN=Old Root"},
              platform::ui::script::transcript());
}

TEST(SessionProviders, EnumerationCountsTheSessionTypeOnly) {
    testkit::PlatformRoot machine;
    CEnroll session;
    std::vector<TCryptProviderW> aes;
    TCryptoapi::EnumProviders(aes, PROV_RSA_AES);
    session.SetProviderType(PROV_RSA_AES);
    for (LONG i = 0; i < static_cast<LONG>(aes.size()); ++i) {
        ASSERT_TRUE(session.EnumProviders(i));
        EXPECT_EQ(aes[static_cast<std::size_t>(i)].name, session.GetProviderName());
        EXPECT_EQ(static_cast<DWORD>(PROV_RSA_AES), session.GetProviderType());
    }
    EXPECT_TRUE(session.EnumProviders(static_cast<LONG>(aes.size())));
    EXPECT_EQ(u"", session.GetProviderName());

    // Type 0 counts every provider and takes the type of the one found.
    std::vector<TCryptProviderW> all;
    TCryptoapi::EnumProviders(all, 0);
    const auto firstAes = std::find_if(all.begin(), all.end(), [](const auto& p) { return p.type == PROV_RSA_AES; });
    ASSERT_NE(all.end(), firstAes);
    session.SetProviderType(0);
    ASSERT_TRUE(session.EnumProviders(static_cast<LONG>(firstAes - all.begin())));
    EXPECT_EQ(firstAes->name, session.GetProviderName());
    EXPECT_EQ(static_cast<DWORD>(PROV_RSA_AES), session.GetProviderType());
}

TEST(SessionProviders, VersionKeyLengthsAndDefault) {
    testkit::PlatformRoot machine;
    CEnroll session;
    std::u16string text = u"unchanged";
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_PROVIDER), session.GetProviderVersion(text));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_PROVIDER), session.IsKeylenSupported(1024));
    EXPECT_EQ(u"unchanged", text);

    session.SetProviderName(kSoftwareProvider);
    EXPECT_EQ(0u, session.GetProviderVersion(text));
    EXPECT_EQ(u"200", text);
    EXPECT_EQ(0u, session.IsKeylenSupported(2048));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), session.IsKeylenSupported(256));
    session.SetProviderName(u"Pentak Missing CSP");
    EXPECT_EQ(static_cast<DWORD>(NTE_KEYSET_NOT_DEF), session.GetProviderVersion(text));
    EXPECT_EQ(static_cast<DWORD>(NTE_KEYSET_NOT_DEF), session.IsKeylenSupported(2048));

    EXPECT_EQ(0u, session.GetDefaultOSCSP(text));
    EXPECT_EQ(u"Microsoft Strong Cryptographic Provider", text);
    session.SetProviderType(PROV_RSA_AES);
    EXPECT_EQ(0u, session.GetDefaultOSCSP(text));
    EXPECT_EQ(u"Microsoft Enhanced RSA and AES Cryptographic Provider", text);
}

}  // namespace
