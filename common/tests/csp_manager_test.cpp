// The process-wide list of provider records, TCSPManager's opening of a
// provider with its fallback to the machine default, the machine defaults
// and the store-open flags.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/csp_manager.h"
#include "common/global_params.h"
#include "common/installed_providers.h"
#include "container_support.h"
#include "testkit/platform_root.h"

namespace {

using container_support::kAes;
using container_support::keyCertificate;
using container_support::kStrong;
using container_support::makeContainer;

std::vector<std::string> listed() {
    std::vector<std::string> rows;
    SscdProviderRecord record;
    for (std::size_t i = 0; TCSPManager::GetProvider(i, record); ++i)
        rows.push_back(record.name + "/" + std::to_string(record.flags) + "/" + std::to_string(record.enabled));
    return rows;
}

// The list lives for the whole process: each test leaves it as it found it.
// The first manager of the process puts in the built-in rows.
class ProviderList : public ::testing::Test {
protected:
    void SetUp() override {
        const TCSPManager first;
        SscdProviderRecord record;
        for (std::size_t i = 0; TCSPManager::GetProvider(i, record); ++i) m_saved.push_back(record);
    }
    void TearDown() override {
        TCSPManager::ClearProviders();
        for (const auto& record : m_saved) TCSPManager::ConfigureProvider(record.name, record.flags);
    }

private:
    testkit::PlatformRoot m_root;
    std::vector<SscdProviderRecord> m_saved;
};

TEST_F(ProviderList, SevenBuiltInRowsOncePerProcess) {
    const TCSPManager second;
    TCSPManager::InitDefaultProviders();
    EXPECT_EQ((std::vector<std::string>{
                  "Zintra CSP/28/1",
                  "KavloCSP/60/1",
                  "Tesk Dravik CSP v1.0/4/1",
                  "Microsoft Enhanced Cryptographic Provider v1.0/3/1",
                  "Microsoft Strong Cryptographic Provider/3/1",
                  "Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)/3/1",
                  "Microsoft Enhanced RSA and AES Cryptographic Provider/3/1",
              }),
              listed());
    EXPECT_EQ(7u, TCSPManager::GetProviderCount());
    SscdProviderRecord record("kept", 9, 0);
    EXPECT_FALSE(TCSPManager::GetProvider(7, record));
    EXPECT_EQ("kept", record.name);
    EXPECT_EQ(0u, SscdProviderRecord().flags);
    EXPECT_EQ(1u, SscdProviderRecord().enabled);
}

TEST_F(ProviderList, LookupsIgnoreCase) {
    EXPECT_TRUE(TCSPManager::ProviderHasFlags("kavlocsp", 32));
    EXPECT_FALSE(TCSPManager::ProviderHasFlags("Zintra CSP", 32));
    EXPECT_TRUE(TCSPManager::ProviderHasFlags("ZINTRA CSP", kProviderSscdFilter));
    EXPECT_FALSE(TCSPManager::ProviderHasFlags("", 0xFF));
    EXPECT_FALSE(TCSPManager::ProviderHasFlags("No Such CSP", 0xFF));
    SscdProviderRecord record;
    ASSERT_TRUE(GetProviderByName("tesk dravik csp v1.0", record));
    EXPECT_EQ("Tesk Dravik CSP v1.0", record.name);
    EXPECT_EQ(kProviderSecureDevice, record.flags);
    EXPECT_FALSE(GetProviderByName("No Such CSP", record));
    EXPECT_EQ("Tesk Dravik CSP v1.0", record.name);
}

TEST_F(ProviderList, ConfigureByNameAndWithEveryInstalledProvider) {
    TCSPManager::ConfigureProvider("microsoft strong cryptographic provider", 12);
    EXPECT_EQ(7u, TCSPManager::GetProviderCount());
    SscdProviderRecord record;
    ASSERT_TRUE(TCSPManager::GetProvider(4, record));
    EXPECT_EQ(kStrong, record.name);
    EXPECT_EQ(12u, record.flags);

    TCSPManager::ConfigureProvider("Vendor CSP", 8);
    ASSERT_EQ(8u, TCSPManager::GetProviderCount());
    ASSERT_TRUE(TCSPManager::GetProvider(7, record));
    EXPECT_EQ("Vendor CSP", record.name);
    EXPECT_EQ(8u, record.flags);
    EXPECT_EQ(1u, record.enabled);

    TCSPManager::ConfigureProvider("*", 2);
    std::vector<TCryptProvider> installed;
    EnumInstalledProviders(installed, PROV_RSA_FULL);
    EnumInstalledProviders(installed, PROV_RSA_AES);
    std::vector<std::string> expected;
    for (const auto& provider : installed) expected.push_back(provider.GetName() + "/2/1");
    EXPECT_EQ(expected, listed());
}

TEST_F(ProviderList, ClearedListStaysEmptyForNewManagers) {
    TCSPManager::ClearProviders();
    const TCSPManager manager;
    TCSPManager::InitDefaultProviders();
    EXPECT_EQ(0u, TCSPManager::GetProviderCount());
    EXPECT_FALSE(TCSPManager::ProviderHasFlags("Zintra CSP", 0xFF));
    TCSPManager::ConfigureProvider("Zintra CSP", 4);
    EXPECT_EQ(std::vector<std::string>{"Zintra CSP/4/1"}, listed());
}

TEST_F(ProviderList, OpenProviderEnumeratesOnlySecureDevices) {
    const auto exchange = keyCertificate("Exchange");
    makeContainer(kAes, PROV_RSA_AES, "Box", &exchange, nullptr);

    TCSPManager manager;
    EXPECT_EQ(0u, manager.OpenProvider(kAes, true));
    EXPECT_EQ(kAes, manager.GetName());
    EXPECT_TRUE(manager.GetCertificates().empty());
    EXPECT_FALSE(manager.CertProviderHasFlags(kProviderSecureDevice));
    EXPECT_TRUE(manager.CertProviderHasFlags(1));

    TCSPManager::ConfigureProvider(kAes, kProviderSecureDevice | kProviderSscdFilter);
    EXPECT_EQ(0u, manager.OpenProvider(kAes, true));
    ASSERT_EQ(1u, manager.GetCertificates().size());
    EXPECT_EQ("Exchange", manager.GetCertificates()[0].subjectSimpleName);
    EXPECT_TRUE(manager.CertProviderHasFlags(kProviderSecureDevice));
    EXPECT_EQ(0u, manager.OpenProvider(kAes, false));
    EXPECT_TRUE(manager.GetCertificates().empty());
}

TEST_F(ProviderList, UnusableProviderFallsBackToTheMachineDefaultOfTypeOne) {
    TCSPManager manager;
    EXPECT_EQ(kErrCspUnusable, manager.OpenProvider("No Such CSP", true));
    EXPECT_EQ(kStrong, manager.GetName());
    EXPECT_EQ(PROV_RSA_FULL, manager.GetType());
    EXPECT_NE(0u, manager.GetProviderHandle());

    // A secure device without certificates gives its number, and the default.
    TCSPManager::ConfigureProvider(kAes, kProviderSecureDevice);
    EXPECT_EQ(kErrNoContainerCertificate, manager.OpenProvider(kAes, true));
    EXPECT_EQ(kStrong, manager.GetName());
}

TEST(MachineDefaults, DefaultProviderOfAType) {
    testkit::PlatformRoot root;
    std::string name = "kept";
    ASSERT_TRUE(GetDefaultCspName(name, PROV_RSA_FULL));
    EXPECT_EQ(kStrong, name);
    ASSERT_TRUE(GetDefaultCspName(name, PROV_RSA_AES));
    EXPECT_EQ(kAes, name);
    EXPECT_FALSE(GetDefaultCspName(name, PROV_DSS_DH));
    EXPECT_EQ(kAes, name);
}

TEST(GlobalParams, OneObjectWithTheStoreFlags) {
    TGlobalParams* params = TGlobalParams::Instance();
    EXPECT_EQ(params, TGlobalParams::Instance());
    EXPECT_EQ(0x14000u, params->GetStoreFlags());
    params->SetStoreFlags(0x24000);
    EXPECT_EQ(0x24000u, TGlobalParams::Instance()->GetStoreFlags());
    params->SetStoreFlags(kDefaultStoreFlags);
}

}  // namespace
