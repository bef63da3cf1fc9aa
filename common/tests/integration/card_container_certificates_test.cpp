// The certificates of a card provider's key containers, read from a SoftHSM2
// token registered under the card provider's name: the card providers that
// keep one certificate per container give the exchange key's alone, another
// card gives the signature key's too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../container_support.h"
#include "common/csp_manager.h"
#include "common/installed_providers.h"
#include "testkit/csp.h"
#include "testkit/platform_root.h"
#include "testkit/softhsm.h"

namespace {

using container_support::keyCertificate;
using container_support::makeContainer;

struct CardCase {
    std::u16string provider;
    std::string ansiName;
    std::vector<std::string> expected;  // container / key spec / subject, in order
};

void PrintTo(const CardCase& card, std::ostream* out) { *out << card.ansiName; }

class CardContainers : public ::testing::TestWithParam<CardCase> {};

TEST_P(CardContainers, ExchangeCertificateFirst) {
    TESTKIT_REQUIRE_SOFTHSM();
    testkit::PlatformRoot root;
    const CardCase& card = GetParam();
    const testkit::SoftHsmToken token(root, {.provider = card.provider});
    const auto exchange = keyCertificate("Exchange");
    const auto signature = keyCertificate("Signature");
    makeContainer(card.ansiName, PROV_RSA_FULL, "Pair", &exchange, &signature, token.options().pin);
    makeContainer(card.ansiName, PROV_RSA_FULL, "Signing", nullptr, &signature, token.options().pin);
    // The installed list was filled before this provider was registered.
    FillInstalledProviders(true);

    const testkit::PinPrompts prompts;  // reading certificates logs nothing in
    TCSPManager manager;
    TCSPManager::ConfigureProvider(card.ansiName, kProviderSecureDevice | kProviderSscdFilter);
    ASSERT_EQ(0u, manager.OpenProvider(card.ansiName, true));
    EXPECT_EQ(card.ansiName, manager.GetName());
    EXPECT_TRUE(manager.CertProviderHasFlags(kProviderSecureDevice));
    std::vector<std::string> found;
    for (const CertInfo& info : manager.GetCertificates()) {
        EXPECT_EQ(card.ansiName, info.label);
        EXPECT_EQ(card.ansiName, info.providerName);
        EXPECT_EQ(PROV_RSA_FULL, info.providerType);
        found.push_back(info.containerName + "/" + std::to_string(info.keySpec) + "/" + info.subjectSimpleName);
    }
    EXPECT_EQ(card.expected, found);
    EXPECT_TRUE(prompts.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Card, CardContainers,
    ::testing::Values(CardCase{u"Zintra CSP", "Zintra CSP", {"Pair/1/Exchange"}},
                      CardCase{u"Tesk Dravik CSP v1.0", "Tesk Dravik CSP v1.0", {"Pair/1/Exchange"}},
                      CardCase{
                          u"KavloCSP", "KavloCSP", {"Pair/1/Exchange", "Pair/2/Signature", "Signing/2/Signature"}}));

TEST(EmptyCard, FallsBackToTheMachineDefault) {
    TESTKIT_REQUIRE_SOFTHSM();
    testkit::PlatformRoot root;
    const testkit::SoftHsmToken token(root, {.provider = u"Zintra CSP"});
    makeContainer("Zintra CSP", PROV_RSA_FULL, "Empty", nullptr, nullptr, token.options().pin);
    FillInstalledProviders(true);
    TCSPManager manager;
    TCSPManager::ConfigureProvider("Zintra CSP", kProviderSecureDevice);
    EXPECT_EQ(kErrNoContainerCertificate, manager.OpenProvider("Zintra CSP", true));
    EXPECT_EQ(MS_STRONG_PROV_A, manager.GetName());
}

}  // namespace
