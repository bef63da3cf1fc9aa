// The signer's settings as a caller of the library meets them: languages,
// digest rows and digests, provider choice, the trace log, the last error
// and what several live signers share; and the signers of a loaded signature
// read one after another.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/csp_manager.h"
#include "kyd/file_kyd.h"
#include "pkcs7_fixtures.h"
#include "platform/ansi_name.h"
#include "platform/clock.h"
#include "signer_kyd.h"
#include "testkit/growth.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "win32/error.h"

namespace {

class Signer : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
};

TEST_F(Signer, EachSignersCertificateOfALoadedSignatureCostsTheSameHoweverManyItHolds) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const auto pki = testkit::pki::Hierarchy::make();
    std::size_t made = 0;
    EXPECT_TRUE(testkit::GrowsLinearly(
        [&](std::size_t count) {
            const auto signers = pkcs7_test::manySigners(pki.commercial.certificate, count);
            const std::string path = platform::paths::toAnsiName(root.path() / ("many" + std::to_string(++made) + ".kyd"));
            TFileKyd container;
            EXPECT_EQ(0, container.Open(path, TFileKyd::openCreate));
            EXPECT_EQ(0, container.AddSignature(signers.message));
            EXPECT_EQ(0, container.Close(false));
            return [path, count] {
                TSignerKyd object;
                ASSERT_TRUE(object.Pkcs7LoadFromFile(path));
                for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
                    std::string pem;
                    ASSERT_TRUE(object.Pkcs7GetSignerCert(i, pem)) << i;
                    ASSERT_FALSE(pem.empty());
                }
            };
        },
        500));
}

TEST_F(Signer, LanguagesAreTakenByCodeInAnyCaseOrNumberAndOthersRefusedWithTheirNumber) {
    TSigner signer;
    SetLastError(5);
    EXPECT_TRUE(signer.SetCfgLanguageStr("sk"));
    EXPECT_EQ(1, signer.GetCfgLanguageNumber());
    EXPECT_EQ("SK", signer.GetCfgLanguageStr());
    EXPECT_TRUE(signer.SetCfgLanguageNumber(2));

    EXPECT_FALSE(signer.SetCfgLanguageStr("de"));
    EXPECT_EQ(7001, signer.GetLastErrorNumber());
    EXPECT_EQ("Language de is not supported.", signer.GetLastErrorStr());
    EXPECT_FALSE(signer.SetCfgLanguageStr(""));
    EXPECT_FALSE(signer.SetCfgLanguageNumber(3));
    EXPECT_EQ(7002, signer.GetLastErrorNumber());
    EXPECT_EQ("Language 3 is not supported.", signer.GetLastErrorStr());
    EXPECT_EQ(2, signer.GetCfgLanguageNumber()) << "a refused language changes nothing";
    EXPECT_EQ(5u, GetLastError()) << "recording an error keeps the thread's last error";
}

TEST_F(Signer, DigestRowsAreThoseTheSystemKnowsAndANameStoresTheFirstRowOfItsAlgorithm) {
    TSigner signer;
    std::string name;
    EXPECT_FALSE(signer.GetHashAlgorithmTypeStr(name)) << "none chosen on a new signer";
    EXPECT_EQ(50, signer.GetLastErrorNumber());

    EXPECT_TRUE(signer.SetHashAlgorithmType(0x8006));
    ASSERT_TRUE(signer.GetHashAlgorithmTypeStr(name));
    EXPECT_EQ("sha256", name);
    EXPECT_FALSE(signer.SetHashAlgorithmType(0x8005)) << "MAC is no digest";
    EXPECT_EQ(50, signer.GetLastErrorNumber());
    EXPECT_FALSE(signer.SetHashAlgorithmType(0x8009));
    EXPECT_EQ(0x8006, signer.GetHashAlgorithmType()) << "a refused row leaves the old one";

    EXPECT_TRUE(signer.SetHashAlgorithmTypeStr("sha1"));
    EXPECT_EQ(0x8003, signer.GetHashAlgorithmType()) << "the SHA row comes before SHA1 with the same algorithm";
    EXPECT_FALSE(signer.SetHashAlgorithmTypeStr("whirlpool"));
    EXPECT_EQ(0x8003, signer.GetHashAlgorithmType());

    EXPECT_TRUE(signer.SetHashAlgorithmType(-1));
    EXPECT_FALSE(signer.GetHashAlgorithmTypeStr(name));
    EXPECT_EQ(50, signer.GetLastErrorNumber());
}

TEST_F(Signer, DigestsAsGroupedHexadecimalAndAsOneBase64LineAgreeWithThePeers) {
    TESTKIT_REQUIRE_PROGRAM("sha1sum");
    TESTKIT_REQUIRE_PROGRAM("openssl");
    root.write("abc", "abc");
    const auto sum = testkit::run({"sha1sum", "abc"}, root.path());
    ASSERT_EQ(0, sum.exitCode) << sum.err;
    std::string expectedHex;
    for (std::size_t i = 0; i < 40; ++i) {
        if (i > 0 && i % 4 == 0) expectedHex += ' ';
        expectedHex += static_cast<char>(std::toupper(static_cast<unsigned char>(sum.out[i])));
    }
    ASSERT_EQ(0, testkit::run({"openssl", "dgst", "-sha1", "-binary", "-out", "abc.sha1", "abc"}, root.path()).exitCode);
    const auto base64 = testkit::run({"openssl", "base64", "-in", "abc.sha1"}, root.path());
    ASSERT_EQ(0, base64.exitCode) << base64.err;

    TSigner signer;
    const std::vector<BYTE> data = {'a', 'b', 'c'};
    std::string text;
    ASSERT_EQ(0, signer.ComputeHash(data, 0x8004, text, true));
    EXPECT_EQ(expectedHex, text);
    ASSERT_EQ(0, signer.ComputeHash(data, 0x8004, text, false));
    EXPECT_EQ(base64.out.substr(0, base64.out.find('\n')), text);
    EXPECT_EQ(8, signer.ComputeHash({}, 0x8004, text, true)) << "nothing to digest";
}

TEST_F(Signer, AProviderThatCannotBeUsedIsRefusedWithATextNamingIt) {
    TSigner signer;
    ASSERT_TRUE(signer.SetCfgLanguageStr("EN"));
    EXPECT_FALSE(signer.SetCurrentCSP("No Such CSP"));
    EXPECT_EQ(5000, signer.GetLastErrorNumber());
    EXPECT_EQ("Cannot use the required CSP 'No Such CSP'.", signer.GetLastErrorStr());
    for (const auto& [provider, number] : {std::pair<const char*, LONG>{"Zintra CSP", 5006},
                                           std::pair<const char*, LONG>{"Tesk Dravik CSP v1.0", 5002}}) {
        EXPECT_FALSE(signer.SetCurrentCSP(provider));
        EXPECT_EQ(number, signer.GetLastErrorNumber());
        EXPECT_NE(std::string::npos, signer.GetLastErrorStr().find(provider)) << signer.GetLastErrorStr();
    }
    EXPECT_FALSE(signer.SetCurrentCSP(""));
    EXPECT_EQ(5000, signer.GetLastErrorNumber());
}

TEST_F(Signer, AtLevelEightEachOperationLeavesItsTraceAndArgumentButNeverThePassword) {
    TSigner signer;
    EXPECT_TRUE(signer.SetLogLevel(8));
    EXPECT_EQ(8u, signer.GetLogLevel());
    EXPECT_TRUE(signer.LogClear());
    EXPECT_NE(std::string::npos, signer.GetLogString().find("LogClear(): signer_settings.cpp:"));
    EXPECT_TRUE(signer.SetCfgLanguageNumber(1));
    EXPECT_TRUE(signer.SetInternetConnection(2, "proxy.example:8080", "jan", "s3cret"));
    EXPECT_EQ(kAccessProxy, signer.GetInternetAccessType());
    EXPECT_TRUE(signer.SetFileFlags(1));

    const std::string log = signer.GetLogString();
    for (const char* line : {"DBG  SetCfgLanguageNumber(): signer_settings.cpp:", "lang_num: 1\n",
                             "tsa_proxy_type:     2\n", "SetFileFlags(): signer_settings.cpp:", ". value 1\n"})
        EXPECT_NE(std::string::npos, log.find(line)) << line << " in\n" << log;
    EXPECT_EQ(std::string::npos, log.find("s3cret"));

    EXPECT_TRUE(signer.SetLogLevel(1));
    EXPECT_TRUE(signer.LogClear());
    EXPECT_TRUE(signer.SetCfgLanguageNumber(2));
    EXPECT_EQ("", signer.GetLogString()) << "debug lines stay out at level 1";
    EXPECT_FALSE(signer.SetCfgLanguageNumber(9));
    EXPECT_NE(std::string::npos, signer.GetLogString().find("ERR  error 7002: Language 9 is not supported."));
}

TEST_F(Signer, SignatureResultsSelectOnlyWhatExistsAndReportTheMissingSignerWithout) {
    TSigner signer;
    EXPECT_EQ(1023, signer.GetLastErrorSignatureNumber());
    EXPECT_TRUE(signer.SetSignatureCount(3)) << "an empty list stays empty";
    EXPECT_EQ(0, signer.GetSignatureCount());
    signer.SetLastErrorSignatureNumber(1010);
    EXPECT_EQ(1, signer.GetSignatureCount());
    EXPECT_EQ(1010, signer.GetLastErrorSignatureNumber());
    EXPECT_TRUE(signer.SetSignatureCount(3));
    EXPECT_TRUE(signer.SetSignatureIndex(2));
    signer.SetLastErrorSignatureStr("third");
    EXPECT_FALSE(signer.SetSignatureIndex(-1));
    EXPECT_EQ(30, signer.GetLastErrorNumber());
    EXPECT_FALSE(signer.SetSignatureIndex(3));
    EXPECT_EQ(2, signer.GetSignatureIndex());
    EXPECT_EQ("third", signer.GetLastErrorSignatureStr());
    EXPECT_TRUE(signer.SetSignatureCount(1)) << "a shorter list moves the selection back into it";
    EXPECT_EQ(0, signer.GetSignatureIndex());
    EXPECT_EQ(0, signer.GetLastErrorSignatureNumber());
}

TEST_F(Signer, EndingOneSignerLeavesTheLogLanguageAndProvidersOfAnotherAsTheyWere) {
    auto first = std::make_unique<TSignerKyd>();
    EXPECT_EQ(0u, first->ProvidersGetCount()) << "the object starts without providers";
    TCSPManager::ConfigureProvider("KavloCSP", 4);  // as a signed configuration adds it
    ASSERT_TRUE(first->SetLogLevel(8));
    ASSERT_TRUE(first->SetCfgLanguageNumber(2));

    auto second = std::make_unique<TSignerKyd>();
    EXPECT_EQ(1u, second->ProvidersGetCount()) << "a new signer keeps what the other configured";
    EXPECT_EQ(2, second->GetCfgLanguageNumber());
    second.reset();

    EXPECT_EQ(2, first->GetCfgLanguageNumber());
    EXPECT_EQ(8u, first->GetLogLevel());
    EXPECT_NE(std::string::npos, first->GetLogString().find("SetCfgLanguageNumber(): "));
    std::string name;
    ASSERT_TRUE(first->ProvidersEnum(0, name));
    EXPECT_EQ("KavloCSP", name);
    EXPECT_FALSE(first->ProvidersEnum(1, name));
    EXPECT_EQ(8004, first->GetLastErrorNumber());

    first.reset();
    TSigner fresh;
    EXPECT_EQ(0u, fresh.GetLogLevel()) << "the last signer took the shared log with it";
    EXPECT_EQ(0, fresh.GetCfgLanguageNumber());
}

TEST_F(Signer, TheObjectsSignerStartsFromItsOwnSigningDefaultsAndCanShowDocuments) {
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    TSigner plain;
    EXPECT_TRUE(plain.HasGraphicalInterface()) << "the rich-edit library loads";
    EXPECT_EQ(8, plain.GetFormatOptions());
    EXPECT_EQ(1, plain.GetCertSelFlags());
    EXPECT_TRUE(plain.GetSelectionDisplaySwitch());
    EXPECT_EQ(0x6002, plain.GetEncryptionAlgorithm());
    EXPECT_EQ(1, plain.GetTsaCertSelFlags());

    TSignerKyd object;
    EXPECT_TRUE(object.HasGraphicalInterface());
    EXPECT_EQ(15, object.GetFormatOptions());
    EXPECT_EQ(25, object.GetCertSelFlags());
    EXPECT_FALSE(object.GetSelectionDisplaySwitch());
    const PluginHostInfo host = object.HostInfo();
    EXPECT_EQ(3, host.version);
    EXPECT_EQ("Mirelo", host.applicationName);
    EXPECT_NE(std::string::npos, object.About().find("Mirelo"));
}

// A signer holding a policy, as loading a policy file leaves it.
class HeldPolicySigner : public TSigner {
public:
    void HoldPolicy() { m_signPolicy = {0x30, 0x00}; }
};

FILETIME fileTimeOf(ULONGLONG value) {
    return {static_cast<DWORD>(value & 0xFFFFFFFF), static_cast<DWORD>(value >> 32)};
}

TEST_F(Signer, APolicyInForceIsValidOnlyWithinItsSigningPeriodAndAFullResetDropsIt) {
    struct ClockRestore {
        ~ClockRestore() { platform::clock::setForTests(std::nullopt); }
    } restore;
    constexpr ULONGLONG kDay = 864000000000ull;
    const ULONGLONG now = 0x01DC000000000000ull;
    platform::clock::setForTests(now);
    SignPolicyInfo policy;
    policy.signingNotBefore = fileTimeOf(now + kDay);

    HeldPolicySigner signer;
    EXPECT_FALSE(signer.IsSignPolicy());
    EXPECT_TRUE(signer.ValidateSignPolicy(policy)) << "no policy is in force";
    signer.HoldPolicy();
    ASSERT_TRUE(signer.IsSignPolicy());
    EXPECT_FALSE(signer.ValidateSignPolicy(policy)) << "before its period";
    policy.signingNotBefore = fileTimeOf(now - kDay);
    EXPECT_TRUE(signer.ValidateSignPolicy(policy)) << "a period without an end";
    policy.signingNotAfter = fileTimeOf(now - 1);
    EXPECT_FALSE(signer.ValidateSignPolicy(policy)) << "after its period";
    policy.signingNotAfter.dwLowDateTime = 0;
    EXPECT_TRUE(signer.ValidateSignPolicy(policy)) << "an end with a zero half is no end";
    policy.signingNotAfter = fileTimeOf(now);
    EXPECT_TRUE(signer.ValidateSignPolicy(policy)) << "its last moment";

    signer.Reset(true);
    EXPECT_TRUE(signer.IsSignPolicy()) << "the partial reset keeps the policy";
    signer.Reset(false);
    EXPECT_FALSE(signer.IsSignPolicy());
}

}  // namespace
