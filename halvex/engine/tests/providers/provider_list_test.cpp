// The provider choice over the machine's real providers: the software ones
// of types 1 and 24 and a SoftHSM2 token registered as the card provider
// "Zintra CSP", each with its entry, and the SHA-2 test asked of the
// enrolment library's registered COM object, created as the program does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "halvex/app_data.h"
#include "halvex/log.h"
#include "pentak_lib.h"
#include "platform/com/ptr.h"
#include "platform/paths.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/softhsm.h"
#include "win32/com.h"

namespace halvex {

// Failures show the listed providers readably.
void PrintTo(const ListedProvider& provider, std::ostream* out) {
    *out << std::string(provider.name.begin(), provider.name.end()) << " type " << provider.type << " flags 0x"
         << std::hex << provider.entry.flags << std::dec << " enabled " << provider.entry.enabled << " proof "
         << provider.entry.proof;
}

namespace {

constexpr char16_t kBase[] = u"Microsoft Base Cryptographic Provider v1.0";
constexpr char16_t kEnhanced[] = u"Microsoft Enhanced Cryptographic Provider v1.0";
constexpr char16_t kStrong[] = u"Microsoft Strong Cryptographic Provider";
constexpr char16_t kAes[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
constexpr char16_t kAesPrototype[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)";
constexpr char16_t kCard[] = u"Zintra CSP";

class HalvexProviderList : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* previous = std::getenv("PLATFORM_UI")) m_previousUi = previous;
        ::setenv("PLATFORM_UI", "script", 1);
        log.SetPath(platform::paths::toWide(root.path() / "halvex.log"));
        log.Init(true, true);
        const auto registered = testkit::run({TESK_REGSVR32, "/s", TESK_PENTAK_MODULE});
        ASSERT_EQ(0, registered.exitCode) << registered.err;
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    }
    void TearDown() override {
        CoUninitialize();
        log.Init(false, false);
        log.SetPath(u"");
        if (m_previousUi)
            ::setenv("PLATFORM_UI", m_previousUi->c_str(), 1);
        else
            ::unsetenv("PLATFORM_UI");
    }
    // As the program makes it: IUnknown first, then the enrolment interface.
    platform::com::Ptr<IPentak> createPentak() {
        platform::com::Ptr<IUnknown> unknown;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Pentak, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.putVoid()));
        return unknown.as<IPentak>();
    }
    std::string logged() const { return root.read("halvex.log"); }

    testkit::PlatformRoot root;
    TLogFile& log = TLogFile::GetInstance();
    std::optional<std::string> m_previousUi;
};

TEST_F(HalvexProviderList, InstalledProvidersAreListedWithTheirEntriesAndTheSha2TestDropsThoseWithoutSha256) {
    TESTKIT_REQUIRE_SOFTHSM();
    const testkit::SoftHsmToken token(root, {.provider = kCard});
    TAppData app;
    root.write("conf/Halvex.xml",
               "<halvex><csplist><csp name=\"Zintra CSP\" card=\"TRUE\" sscd=\"TRUE\" proof=\"TRUE\"/>"
               "<csp name=\"Microsoft Strong Cryptographic Provider\" enabled=\"FALSE\"/></csplist></halvex>");
    app.SetConfigurationFolder(platform::paths::toWide(root.path() / "conf"));
    ASSERT_TRUE(app.LoadCspList());

    const ProviderEntry builtInSoftware{0x183, 1, 0};
    const ProviderEntry card{kProviderCard | kProviderSscd, 1, 1};
    std::vector<ListedProvider> listed;
    EXPECT_EQ(6u, app.Providers().GetCryptoCSPList(listed, nullptr));
    // Type 1 first, then type 24; a provider without entry gets the plain one.
    EXPECT_EQ((std::vector<ListedProvider>{
                  {kBase, PROV_RSA_FULL, ProviderEntry{}},
                  {kEnhanced, PROV_RSA_FULL, builtInSoftware},
                  {kStrong, PROV_RSA_FULL, ProviderEntry{kProviderSoftware, 0, 0}},
                  {kCard, PROV_RSA_FULL, card},
                  {kAes, PROV_RSA_AES, builtInSoftware},
                  {kAesPrototype, PROV_RSA_AES, builtInSoftware},
              }),
              listed);

    const auto pentak = createPentak();
    ASSERT_TRUE(pentak);
    EXPECT_EQ(3u, app.Providers().GetCryptoCSPList(listed, pentak.get()));
    EXPECT_EQ((std::vector<ListedProvider>{
                  {kCard, PROV_RSA_FULL, card},
                  {kAes, PROV_RSA_AES, builtInSoftware},
                  {kAesPrototype, PROV_RSA_AES, builtInSoftware},
              }),
              listed);
    // Each provider that failed the test is logged.
    const std::string text = logged();
    std::size_t refusals = 0;
    for (auto at = text.find("GetCryptoCSPList(): error (sha2?) "); at != std::string::npos;
         at = text.find("GetCryptoCSPList(): error (sha2?) ", at + 1))
        ++refusals;
    EXPECT_EQ(3u, refusals) << text;
}

}  // namespace
}  // namespace halvex
