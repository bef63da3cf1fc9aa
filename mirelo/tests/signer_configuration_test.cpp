// The signed configuration as the host program hands it over: the providers
// it names reach the provider list, and only a configuration that the
// built-in certificate's key signed, unaltered, is applied.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/csp_manager.h"
#include "common/installed_providers.h"
#include "common/pem.h"
#include "signer.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/trusted_list.h"

namespace {

namespace pki = testkit::pki;
namespace trusted_list = testkit::trusted_list;

std::vector<std::string> providerNames(TSigner& signer) {
    std::vector<std::string> names(signer.ProvidersGetCount());
    for (DWORD i = 0; i < names.size(); ++i) signer.ProvidersEnum(i, names[i]);
    return names;
}

class SignerConfiguration : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        signer.ProvidersClear();
    }

    testkit::PlatformRoot root;
    TSigner signer;
};

TEST_F(SignerConfiguration, TheNamedProvidersAreConfiguredAndAStarTakesTheInstalledOnes) {
    // Index 0 has no name and is skipped; lines may end in CRLF.
    const std::string text = "[Other]\r\nProvider1Name=Elsewhere\r\n[Providers]\r\nProvidersCount=2\r\n"
                             "Provider1Name=Zintra CSP\r\nProvider1Flags=4\r\nProvider0Flags=8\r\n";
    ASSERT_TRUE(signer.SetConfiguration(trusted_list::signedConfiguration(text))) << signer.GetLastErrorStr();
    EXPECT_EQ(0, signer.GetLastErrorNumber());
    EXPECT_EQ(std::vector<std::string>{"Zintra CSP"}, providerNames(signer));
    EXPECT_TRUE(TCSPManager::ProviderHasFlags("zintra csp", 4));

    ASSERT_TRUE(signer.SetConfiguration(
        trusted_list::signedConfiguration("[Providers]\nProvidersCount=1\nProvider0Name=*\nProvider0Flags=8\n")));
    std::vector<TCryptProvider> installed;
    EnumInstalledProviders(installed, 1);
    EnumInstalledProviders(installed, 24);
    ASSERT_FALSE(installed.empty());
    std::vector<std::string> expected;
    for (const TCryptProvider& provider : installed) expected.push_back(provider.GetName());
    EXPECT_EQ(expected, providerNames(signer));
    EXPECT_TRUE(std::all_of(expected.begin(), expected.end(),
                            [](const std::string& name) { return TCSPManager::ProviderHasFlags(name, 8); }));
}

TEST_F(SignerConfiguration, AConfigurationWhoseSignerIsNamedByItsKeyIdentifierIsApplied) {
    const std::string text = "[Providers]\nProvidersCount=1\nProvider0Name=KavloCSP\n";
    ASSERT_TRUE(signer.SetConfiguration(trusted_list::signedConfiguration(text, {"-keyid"})))
        << signer.GetLastErrorNumber() << " " << signer.GetLastErrorStr();
    EXPECT_EQ(std::vector<std::string>{"KavloCSP"}, providerNames(signer));
}

TEST_F(SignerConfiguration, ARefusedConfigurationGetsItsNumberAndLeavesTheProvidersAlone) {
    const std::string text = "[Providers]\nProvidersCount=1\nProvider0Name=KavloCSP\n";
    ASSERT_TRUE(signer.SetConfiguration(trusted_list::signedConfiguration(text)));
    const std::vector<std::string> configured = providerNames(signer);
    const std::string other = "[Providers]\nProvidersCount=1\nProvider0Name=Intruder CSP\n";

    signer.SetCfgLanguageNumber(2);
    const pki::Hierarchy hierarchy = pki::Hierarchy::make();
    EXPECT_FALSE(signer.SetConfiguration(trusted_list::signedConfiguration(other, hierarchy.commercial)))
        << "a valid signature by another certificate";
    EXPECT_EQ(34, signer.GetLastErrorNumber());
    EXPECT_EQ("CfgSigner certificate is not trusted.", signer.GetLastErrorStr());

    std::vector<BYTE> altered;
    ASSERT_TRUE(Base64DecodeString(trusted_list::signedConfiguration(other), altered));
    const std::string intruder = "Intruder";
    const auto name = std::search(altered.begin(), altered.end(), intruder.begin(), intruder.end());
    ASSERT_NE(altered.end(), name);
    *name ^= 1;
    std::string alteredText;
    ASSERT_TRUE(Base64ConvertVector(altered, alteredText, 1));
    EXPECT_FALSE(signer.SetConfiguration(alteredText));
    EXPECT_EQ(53, signer.GetLastErrorNumber()) << "the content no longer has the signed digest";

    EXPECT_FALSE(signer.SetConfiguration("%%% ??? !!!")) << "not one Base64 character";
    EXPECT_EQ(5, signer.GetLastErrorNumber());
    EXPECT_FALSE(signer.SetConfiguration(""));
    EXPECT_EQ(30, signer.GetLastErrorNumber());

    EXPECT_EQ(configured, providerNames(signer));
}

}  // namespace
