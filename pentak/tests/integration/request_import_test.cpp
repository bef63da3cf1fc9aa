// Prepared requests stored on a SoftHSM2 token through the vendor module a
// card provider names (the module's Windows name finds SoftHSM2, or the
// testkit shim over it that plays a full card), and the token's serial
// number as the card's number.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <regex>

#include "../pentak_support.h"
#include "enroll.h"
#include "my_error.h"
#include "platform/crypt_providers.h"
#include "platform/ui.h"
#include "testkit/csp.h"
#include "testkit/softhsm.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
namespace script = platform::ui::script;

constexpr char16_t kVostrelCsp[] = u"Vostrel Cryptographic Service Provider";
constexpr char kApplication[] = "Tesk_certrequest";

// The vendor module's file in the platform root's system folder is that
// module.
void linkVendorModule(const testkit::PlatformRoot& root, const std::string& file,
                      const std::filesystem::path& module) {
    const auto folder = root.path() / "Windows" / "System32";
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / file);
    std::filesystem::create_symlink(module, folder / file);
}

class RequestImport : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SOFTHSM();
        TESTKIT_REQUIRE_PROGRAM("pkcs11-tool");
        m_token.emplace(m_machine);
        useModule("vostrelp11.so", testkit::SoftHsmToken::module());
        m_session.SetProviderName(kVostrelCsp);
        m_session.SetContainerName(u"pentak-request");
    }
    void TearDown() override {
        ::unsetenv("TESTKIT_P11_CAPACITY");
        ::unsetenv("TESTKIT_P11_LABEL_LENGTH");
    }

    void useModule(const std::string& file, const std::filesystem::path& module) {
        linkVendorModule(m_machine, file, module);
    }

    // The request data objects as pkcs11-tool lists them.
    std::string dataObjects() const {
        const auto listed = m_token->pkcs11Tool({"--list-objects", "--type", "data"});
        EXPECT_EQ(0, listed.exitCode) << listed.err;
        return listed.out;
    }
    std::string valueOf(const std::string& label) const {
        const auto read = m_token->pkcs11Tool({"--read-object", "--type", "data", "--label", label});
        EXPECT_EQ(0, read.exitCode) << read.err;
        return read.out;
    }
    static std::size_t count(const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }

    testkit::PlatformRoot m_machine;
    testkit::PinPrompts m_prompts;
    std::optional<testkit::SoftHsmToken> m_token;
    CEnroll m_session;
};

TEST_F(RequestImport, RequestIsWrittenAsDataObjectAndAnOlderOneGoesOnlyWithConsent) {
    m_prompts.answer(m_token->options().pin);
    ASSERT_TRUE(m_session.RequestImport(u"MIIBfirst")) << std::hex << GetLastError();
    std::string listed = dataObjects();
    EXPECT_EQ(1u, count(listed, "Data object")) << listed;
    EXPECT_TRUE(std::regex_search(listed, std::regex("label:\\s+'pentak-request'"))) << listed;
    EXPECT_TRUE(std::regex_search(listed, std::regex("application:\\s+'Tesk_certrequest'"))) << listed;
    EXPECT_TRUE(std::regex_search(listed, std::regex("flags:\\s+modifiable\\s*\\n"))) << listed;
    EXPECT_EQ("MIIBfirst", valueOf("pentak-request"));

    // The same label again: No keeps the older request beside the new one.
    m_prompts.answer(m_token->options().pin);
    script::queue("MessageBox", "IDNO", "\"pentak-request\"");
    ASSERT_TRUE(m_session.RequestImport(u"MIIBsecond"));
    EXPECT_EQ(2u, count(dataObjects(), "Data object"));

    // Yes removes each older one: only the newest is left.
    m_prompts.answer(m_token->options().pin);
    script::queue("MessageBox", "IDYES", "pentak-request");
    script::queue("MessageBox", "IDYES", "pentak-request");
    ASSERT_TRUE(m_session.RequestImport(u"MIIBthird"));
    EXPECT_EQ(1u, count(dataObjects(), "Data object"));
    EXPECT_EQ("MIIBthird", valueOf("pentak-request"));
}

TEST_F(RequestImport, FullTokenOffersOlderRequestsAndWritesAfterOneGoes) {
    m_token->writeDataObject(kApplication, "old-request", {'o', 'l', 'd'});
    // Every search must end before an object is destroyed, and the label's
    // length is the one the shim reports only in the last round.
    useModule("vostrelp11.so", PENTAK_TEST_P11_SHIM);
    ::setenv("TESTKIT_P11_CAPACITY", "1", 1);

    // No to the only older request: nothing is freed and the write fails,
    // recorded with the module's CKR_DEVICE_MEMORY.
    m_prompts.answer(m_token->options().pin);
    script::queue("MessageBox", "IDNO", "old-request");
    EXPECT_FALSE(m_session.RequestImport(u"MIIBnew"));
    const std::u16string record = CMyError::Instance().GetText();
    EXPECT_NE(std::u16string::npos, record.find(u"(MyError:10001102)")) << narrow(record);
    EXPECT_NE(std::u16string::npos, record.find(u"module result 0x00000031")) << narrow(record);
    EXPECT_EQ("old", valueOf("old-request"));

    // Yes: the older request goes, the write is tried again and succeeds.
    m_prompts.answer(m_token->options().pin);
    script::queue("MessageBox", "IDYES", "old-request");
    ASSERT_TRUE(m_session.RequestImport(u"MIIBnew"));
    std::string listed = dataObjects();
    EXPECT_EQ(1u, count(listed, "Data object")) << listed;
    EXPECT_EQ("MIIBnew", valueOf("pentak-request"));

    // A label whose length is out of all bounds is not read: the question
    // names no object, and still the answer counts.
    ::setenv("TESTKIT_P11_LABEL_LENGTH", "18446744073709551615", 1);
    m_session.SetContainerName(u"pentak-next");
    m_prompts.answer(m_token->options().pin);
    script::queue("MessageBox", "IDYES", "\"\"");
    ASSERT_TRUE(m_session.RequestImport(u"MIIBnext"));
    EXPECT_EQ(1u, count(dataObjects(), "Data object"));
    EXPECT_EQ("MIIBnext", valueOf("pentak-next"));
}

TEST_F(RequestImport, RefusedOrCancelledLoginIsReportedAsSuch) {
    m_prompts.answer("999999");
    EXPECT_FALSE(m_session.RequestImport(u"MIIBrequest"));
    std::u16string record = CMyError::Instance().GetText();
    EXPECT_NE(std::u16string::npos, record.find(u"(MyError:10001060)")) << narrow(record);
    EXPECT_NE(std::u16string::npos, record.find(u"module result 0x000000a0")) << narrow(record);  // CKR_PIN_INCORRECT

    m_session.Reset();
    m_session.SetProviderName(kVostrelCsp);
    m_prompts.cancel();
    EXPECT_FALSE(m_session.RequestImport(u"MIIBrequest"));
    record = CMyError::Instance().GetText();
    EXPECT_NE(std::u16string::npos, record.find(u"(MyError:10001056)")) << narrow(record);
    EXPECT_EQ(0u, count(dataObjects(), "Data object"));
}

TEST_F(RequestImport, CardNumberIsTheTokenSerial) {
    useModule("zintrap11.so", testkit::SoftHsmToken::module());
    const auto listed = testkit::run({"pkcs11-tool", "--module", testkit::SoftHsmToken::module().string(), "-L"});
    std::smatch serial;
    ASSERT_TRUE(std::regex_search(listed.out, serial, std::regex("serial num\\s*:\\s*(\\S+)"))) << listed.out;

    m_session.SetProviderName(u"Zintra CSP");
    std::u16string number = u"unchanged";
    ASSERT_EQ(0u, m_session.GetCardNumber(number));
    EXPECT_EQ(wide(serial[1].str()), number);

    // A provider that has neither its own parameter nor a vendor module.
    m_session.SetProviderName(u"Microsoft Enhanced Cryptographic Provider v1.0");
    number = u"unchanged";
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), m_session.GetCardNumber(number));
    EXPECT_EQ(u"unchanged", number);
}

// The provider's contexts and the card number's module are the same
// SoftHSM2 in one process: reading the number must not end the library
// under the provider's open context.
TEST(CardNumberBesideTheProvider, TheProvidersContextStillSignsAfterwards) {
    TESTKIT_REQUIRE_SOFTHSM();
    testkit::PlatformRoot machine;
    testkit::TestCsp csp(testkit::CspKind::SoftHsmToken, machine, u"beside");
    csp.generate(AT_SIGNATURE, 1024);
    linkVendorModule(machine, "zintrap11.so", testkit::SoftHsmToken::module());
    CEnroll session;
    session.SetProviderName(csp.provider());
    std::u16string number;
    ASSERT_EQ(0u, session.GetCardNumber(number));
    EXPECT_FALSE(number.empty());
    EXPECT_FALSE(csp.sign(AT_SIGNATURE, CALG_SHA_256, "after the card number").empty());
}

// The Kavlo card takes the request into the key's own parameter, as a
// zero byte, the length (little-endian) and the ANSI bytes.
TEST(RequestImportThroughCryptoapi, KavloCardTakesTheRequestAsItsKeysParameter) {
    TESTKIT_REQUIRE_SOFTHSM();
    namespace crypt = platform::crypt;
    testkit::PlatformRoot machine;
    testkit::PinPrompts prompts;
    testkit::SoftHsmToken token(machine, testkit::SoftHsmOptions{.provider = u"KavloCSP"});
    std::vector<BYTE> written;
    DWORD keySpec = 0;
    crypt::setParameterHook(u"KavloCSP", crypt::ParameterKind::Key, 0x10000020,
                            {{}, [&](const crypt::HookTarget& target, const BYTE* data, DWORD) {
                                 keySpec = target.keySpec;
                                 const DWORD length = data[1] | data[2] << 8 | data[3] << 16 | DWORD{data[4]} << 24;
                                 written.assign(data, data + 5 + length);
                             }});
    CEnroll session;
    session.SetProviderName(u"KavloCSP");
    session.SetContainerName(u"pentak-card");
    session.SetKeySpec(AT_SIGNATURE);
    session.SetGenKeyFlags(1024u << 16);
    prompts.answer(token.options().pin);
    ASSERT_TRUE(session.KeyGenerate()) << std::hex << GetLastError();

    EXPECT_TRUE(session.RequestImport(u"MIIB\u017E")) << std::hex << GetLastError();
    EXPECT_EQ((std::vector<BYTE>{0, 5, 0, 0, 0, 'M', 'I', 'I', 'B', 0x9E}), written);
    EXPECT_EQ(static_cast<DWORD>(AT_SIGNATURE), keySpec);
    session.Reset();
    crypt::clearParameterHooks();
}

TEST_F(RequestImport, AnOlderRequestLabelledInTheAnsiPageIsOfferedUnderItsOwnName) {
    // "Žádost kůň" as a program writing the ANSI page left it on the token.
    m_token->writeDataObject(kApplication, "\x8E\xE1""dost k\xF9\xF2", {'o', 'l', 'd'});
    useModule("vostrelp11.so", PENTAK_TEST_P11_SHIM);
    ::setenv("TESTKIT_P11_CAPACITY", "1", 1);
    m_prompts.answer(m_token->options().pin);
    script::queue("MessageBox", "IDYES", "\"Žádost kůň\"");
    ASSERT_TRUE(m_session.RequestImport(u"MIIBnew"));
    EXPECT_EQ("MIIBnew", valueOf("pentak-request"));
}

}  // namespace
