// Providers for algorithms: the installed list, algorithm support, the
// candidate order, hashing with the held provider or a candidate, and the
// certificates of a provider's key containers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "byte_strings.h"
#include "common/cryptoapi.h"
#include "common/installed_providers.h"
#include "common/strings.h"
#include "container_support.h"
#include "platform/crypt_providers.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/registry.h"

namespace {

using byte_strings::bytesOf;
using container_support::kAes;
using container_support::keyCertificate;
using container_support::kStrong;
using container_support::makeContainer;

const std::string kAesPrototype = MS_ENH_RSA_AES_PROV_XP_A;
const std::string kEnhanced = MS_ENHANCED_PROV_A;

std::string hexOf(const std::vector<BYTE>& bytes) { return BytesToHex(bytes.data(), bytes.size()); }

std::vector<std::string> namesOf(const std::vector<TCryptProvider>& providers) {
    std::vector<std::string> names;
    for (const auto& provider : providers)
        names.push_back(provider.GetName() + "/" + std::to_string(provider.GetType()));
    return names;
}

void removeMachineDefault(DWORD type) {
    const std::u16string path =
        u"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider Types\\Type 00" + std::u16string(1, u'0' + type);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, u"Name"));
    RegCloseKey(key);
}

TEST(InstalledProviders, TypeOneThenTypeTwentyFour) {
    testkit::PlatformRoot root;
    const TCryptoapi api;
    std::vector<TCryptProvider> expected;
    EnumInstalledProviders(expected, PROV_RSA_FULL);
    const std::size_t typeOne = expected.size();
    EXPECT_EQ(typeOne + 2, EnumInstalledProviders(expected, PROV_RSA_AES));
    EXPECT_EQ((std::vector<std::string>{"Microsoft Base Cryptographic Provider v1.0/1", kEnhanced + "/1",
                                        kStrong + "/1", kAes + "/24", kAesPrototype + "/24"}),
              namesOf(expected));
    const auto& installed = InstalledProviders();
    ASSERT_GE(installed.size(), expected.size());
    EXPECT_EQ(namesOf(expected), namesOf({installed.begin(), installed.begin() + expected.size()}));

    std::vector<TCryptProvider> all;
    EXPECT_EQ(expected.size(), EnumInstalledProviders(all, 0));
    EXPECT_EQ(PROV_RSA_FULL, GetInstalledProviderType("microsoft strong cryptographic provider"));
    EXPECT_EQ(PROV_RSA_AES, GetInstalledProviderType(kAesPrototype));
    EXPECT_EQ(0u, GetInstalledProviderType("No Such CSP"));
}

TEST(ProviderSupport, AlgorithmListsOfTheProviders) {
    testkit::PlatformRoot root;
    EXPECT_FALSE(ProviderSupportsAlg(HCRYPTPROV{0}, CALG_SHA1));
    EXPECT_TRUE(ProviderSupportsAlg(TCryptProvider(kStrong, PROV_RSA_FULL), CALG_SHA1));
    EXPECT_FALSE(ProviderSupportsAlg(TCryptProvider(kStrong, PROV_RSA_FULL), CALG_SHA_256));
    EXPECT_TRUE(ProviderSupportsAlg(TCryptProvider(kAes, PROV_RSA_AES), CALG_SHA_256));
    EXPECT_FALSE(ProviderSupportsAlg(TCryptProvider("No Such CSP", PROV_RSA_FULL), CALG_SHA1));
    // A provider recorded without a type is taken as one of type 1.
    EXPECT_TRUE(ProviderSupportsAlg(TCryptProvider(kStrong, 0), CALG_SHA1));
    EXPECT_FALSE(ProviderSupportsAlg(TCryptProvider(kAes, 0), CALG_SHA_256));
    for (const char* card : {"Tesk Dravik v1.0", "Tesk Dravik CSP v1.0", "Zintra CSP"})
        EXPECT_FALSE(IsPlainProvider(card));
    EXPECT_TRUE(IsPlainProvider("zintra csp"));
    EXPECT_TRUE(IsPlainProvider("KavloCSP"));
}

TEST(FindProviderForAlg, MachineDefaultFirstThenTheFixedCandidates) {
    testkit::PlatformRoot root;
    TCryptProvider found;
    ASSERT_EQ(1u, TCryptoapi::FindProviderForAlg(CALG_SHA1, found));
    EXPECT_EQ(kStrong, found.GetName());  // the machine default of type 1
    ASSERT_EQ(1u, TCryptoapi::FindProviderForAlg(CALG_SHA_256, found));
    EXPECT_EQ(kAesPrototype, found.GetName());
    EXPECT_EQ(PROV_RSA_AES, found.GetType());

    platform::crypt::setDefaultProvider(PROV_RSA_FULL, u"Microsoft Enhanced Cryptographic Provider v1.0",
                                        platform::crypt::DefaultScope::Machine);
    ASSERT_EQ(1u, TCryptoapi::FindProviderForAlg(CALG_SHA1, found));
    EXPECT_EQ(kEnhanced, found.GetName());

    removeMachineDefault(PROV_RSA_FULL);
    ASSERT_EQ(1u, TCryptoapi::FindProviderForAlg(CALG_SHA1, found));
    EXPECT_EQ(kAesPrototype, found.GetName());

    EXPECT_EQ(0u, TCryptoapi::FindProviderForAlg(0x1234, found));
    EXPECT_EQ(kAesPrototype, found.GetName());
}

TEST(HashData, HeldProviderOrACandidateThatKnowsTheAlgorithm) {
    testkit::PlatformRoot root;
    TCryptoapi api;
    std::vector<BYTE> digest = {1};
    // No provider held: a candidate computes it.
    ASSERT_NE(0u, api.HashVector(bytesOf("abc"), CALG_SHA1, digest));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", hexOf(digest));

    // The held provider knows SHA-1 only.
    ASSERT_EQ(0u, api.EnumContainerCertificates(kStrong, PROV_RSA_FULL, false));
    const HCRYPTPROV held = api.GetProviderHandle();
    ASSERT_NE(0u, api.HashVector(bytesOf("abc"), CALG_SHA_256, digest));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", hexOf(digest));
    ASSERT_NE(0u, api.HashVector(bytesOf("abc"), CALG_SHA1, digest));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", hexOf(digest));
    EXPECT_EQ(held, api.GetProviderHandle());
    EXPECT_EQ(kStrong, api.GetName());

    EXPECT_EQ(0u, api.HashVector({}, CALG_SHA1, digest));
    EXPECT_EQ(0u, api.HashVector(bytesOf("abc"), 0x1234, digest));
    EXPECT_EQ(20u, digest.size());
}

TEST(HashData, DataBeyondOnePieceMatchesOpenssl) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::PlatformRoot root;
    std::string data(3 * 65535 + 7, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 65535);
    const auto file = root.write("data.bin", data);
    TCryptoapi api;
    for (const auto& [algorithm, name] : {std::pair{CALG_SHA1, "-sha1"}, std::pair{CALG_SHA_256, "-sha256"}}) {
        std::vector<BYTE> digest;
        ASSERT_NE(0u, api.HashVector(bytesOf(data), algorithm, digest));
        const std::string peer = testkit::run({"openssl", "dgst", name, "-r", file.string()}).out;
        EXPECT_EQ(peer.substr(0, peer.find(' ')), hexOf(digest)) << name;
    }
}

TEST(EnumContainers, EmptyProviderAndNamedContainers) {
    testkit::PlatformRoot root;
    HCRYPTPROV provider = 0;
    ASSERT_TRUE(CryptAcquireContextA(&provider, nullptr, kStrong.c_str(), PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    std::vector<std::string> names;
    EXPECT_TRUE(TCryptoapi::EnumContainers(provider, names));
    EXPECT_TRUE(names.empty());
    makeContainer(kStrong, PROV_RSA_FULL, "Kontejner B", nullptr, nullptr);
    makeContainer(kStrong, PROV_RSA_FULL, "Kontejner A", nullptr, nullptr);
    names = {"kept"};
    EXPECT_TRUE(TCryptoapi::EnumContainers(provider, names));
    EXPECT_EQ((std::vector<std::string>{"kept", "Kontejner A", "Kontejner B"}), names);
    CryptReleaseContext(provider, 0);
}

TEST(ContainerCertificates, ExchangeFirstThenAnotherSignatureCertificate) {
    testkit::PlatformRoot root;
    const auto exchange = keyCertificate("Exchange");
    const auto signature = keyCertificate("Signature");
    makeContainer(kAes, PROV_RSA_AES, "Both", &exchange, &signature);
    makeContainer(kAes, PROV_RSA_AES, "Same", &exchange, &exchange);
    makeContainer(kAes, PROV_RSA_AES, "Bare", nullptr, nullptr);
    makeContainer(kAes, PROV_RSA_AES, "SignatureOnly", nullptr, &signature);

    TCryptoapi api;
    ASSERT_EQ(0u, api.EnumContainerCertificates(kAes, PROV_RSA_AES, true));
    EXPECT_EQ(kAes, api.GetName());
    EXPECT_EQ(PROV_RSA_AES, api.GetType());
    std::vector<std::string> found;
    for (const CertInfo& info : api.GetCertificates()) {
        EXPECT_EQ(kAes, info.label);
        EXPECT_EQ(kAes, info.providerName);
        EXPECT_EQ(PROV_RSA_AES, info.providerType);
        found.push_back(info.containerName + "/" + std::to_string(info.keySpec) + "/" + info.subjectSimpleName);
    }
    EXPECT_EQ((std::vector<std::string>{"Both/1/Exchange", "Both/2/Signature", "Same/1/Exchange",
                                        "SignatureOnly/2/Signature"}),
              found);

    ASSERT_EQ(0u, api.EnumContainerCertificates(kAes, PROV_RSA_AES, false));
    EXPECT_TRUE(api.GetCertificates().empty());
    EXPECT_EQ(kErrCspUnusable, api.EnumContainerCertificates("No Such CSP", PROV_RSA_FULL, true));
    EXPECT_EQ(kAes, api.GetName());
}

TEST(ContainerCertificates, ProviderWithoutCertificatesIsRefused) {
    testkit::PlatformRoot root;
    makeContainer(kStrong, PROV_RSA_FULL, "Bare", nullptr, nullptr);
    TCryptoapi api;
    ASSERT_EQ(0u, api.EnumContainerCertificates(kAes, PROV_RSA_AES, false));
    const HCRYPTPROV held = api.GetProviderHandle();
    EXPECT_EQ(kErrNoContainerCertificate, api.EnumContainerCertificates(kStrong, PROV_RSA_FULL, true));
    EXPECT_EQ(held, api.GetProviderHandle());
    EXPECT_EQ(kAes, api.GetName());
}

}  // namespace
