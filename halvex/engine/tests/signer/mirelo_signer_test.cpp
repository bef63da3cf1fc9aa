// The renewal program's signer over the real signing component: what stays
// and what is made afresh between signatures in production and in a test
// environment, and the failures shown when the component cannot be made or
// configured.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "halvex/app_data.h"
#include "halvex/mirelo_signer.h"
#include "halvex/profile.h"
#include "mirelo_lib.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/trusted_list.h"
#include "win32/com.h"
#include "win32/registry.h"

namespace {

using namespace halvex;
namespace fs = std::filesystem;

constexpr char16_t kRememberedList[] = u"Software\\Tesk\\mirelo\\certs\\1";

class HalvexSigner : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("PLATFORM_UI", "script", 1);
        platform::ui::script::clear();
        testkit::RunOptions options;
        options.env["PLATFORM_UI"] = "script";
        const auto registered = testkit::run({TESK_REGSVR32, "/s", TESK_MIRELO_MODULE}, options);
        ASSERT_EQ(0, registered.exitCode) << registered.err;
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));

        const fs::path plugins = root.path() / "config" / "libs" / "dll_conf";
        fs::create_directories(plugins);
        fs::copy_file(TESK_TEXT_PLUGIN, plugins / "TeskTxtPluginKyd.so");
        configuration = plugins / "mirelo.signed.cfg";
        testkit::writeFile(configuration, testkit::trusted_list::signedConfiguration(
                                              "[Providers]\nProvidersCount=1\nProvider0Name=KavloCSP\n"));
        TAppData::Instance().SetConfigurationFolder(platform::text::fromUtf8((root.path() / "config").string()));
        testkit::writeFile(root.path() / "document.txt", "Žádost o obnovu\n");
    }

    void TearDown() override {
        signer.release();
        CoUninitialize();
        TAppData::Instance().SetConfigurationFolder(u"");
    }

    static void rememberCertificate() {
        HKEY list = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kRememberedList, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &list, nullptr));
        const char16_t value[] = u"remembered";
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(list, u"0", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                                sizeof value));
        RegCloseKey(list);
    }

    static bool certificateRemembered() {
        HKEY list = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRememberedList, 0, KEY_READ, &list) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        const bool found = RegQueryValueExW(list, u"0", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
        RegCloseKey(list);
        return found;
    }

    static bool listKeyExists() {
        HKEY list = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRememberedList, 0, KEY_READ, &list) != ERROR_SUCCESS) return false;
        RegCloseKey(list);
        return true;
    }

    sgHashAlgTypes hashOfComponent() {
        sgHashAlgTypes hash = sgHashAlgMD2;
        EXPECT_EQ(S_OK, signer.signer()->get_CfgSignHashAlgorithmType(&hash));
        return hash;
    }

    // Signs the document; the status of a failing member, S_OK after a
    // signature, S_FALSE when the wrapper itself gave up.
    HRESULT sign() {
        try {
            return signer.Sign_Kyd(platform::text::fromUtf8((root.path() / "document.txt").string()),
                                   platform::text::fromUtf8((root.path() / "document.kyd").string()),
                                   u"-----BEGIN CERTIFICATE-----\n-----END CERTIFICATE-----\n")
                       ? S_OK
                       : S_FALSE;
        } catch (const MireloError& error) {
            return error.status();
        }
    }

    testkit::PlatformRoot root;
    fs::path configuration;
    Mirelo signer;
};

// The marker is a setting of the component that its reset leaves alone and
// the wrapper never sets: it survives as long as the component does.
TEST_F(HalvexSigner, ProductionKeepsOneComponentAndNeverTouchesTheRememberedCertificates) {
    ASSERT_TRUE(WriteProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentProduction));
    rememberCertificate();
    ASSERT_TRUE(signer.init()) << testing::PrintToString(platform::ui::script::transcript());
    ASSERT_EQ(S_OK, signer.signer()->put_CfgSignHashAlgorithmType(sgHashAlgSHA384));
    ISignerKyd* const component = signer.signer();

    for (int signature = 0; signature < 2; ++signature) {
        EXPECT_NE(S_FALSE, sign());
        EXPECT_EQ(component, signer.signer());
        EXPECT_EQ(sgHashAlgSHA384, hashOfComponent());
        EXPECT_TRUE(certificateRemembered());
    }
    LONG selection = 0;
    ASSERT_EQ(S_OK, signer.signer()->get_CfgCertSelection(reinterpret_cast<sgCertSelectionFlags*>(&selection)));
    EXPECT_EQ(31, selection);
    EXPECT_TRUE(platform::ui::script::transcript().empty());
}

TEST_F(HalvexSigner, TestEnvironmentsForgetRememberedCertificatesAndMakeTheComponentPerSignature) {
    for (DWORD environment : {kEnvironmentDevelopment, kEnvironmentTest}) {
        SCOPED_TRACE(environment);
        ASSERT_TRUE(WriteProfileInt(kWorkspaceSection, u"AppEnvironment", environment));
        ASSERT_TRUE(signer.init());
        const sgHashAlgTypes fresh = hashOfComponent();
        ASSERT_EQ(S_OK, signer.signer()->put_CfgSignHashAlgorithmType(fresh == sgHashAlgSHA384 ? sgHashAlgSHA256
                                                                                                 : sgHashAlgSHA384));
        rememberCertificate();

        EXPECT_NE(S_FALSE, sign());
        EXPECT_EQ(fresh, hashOfComponent()) << "the component was not made afresh";
        EXPECT_FALSE(certificateRemembered());
        EXPECT_TRUE(listKeyExists()) << "the emptied list is made again";
        LONG selection = 0;
        ASSERT_EQ(S_OK, signer.signer()->get_CfgCertSelection(reinterpret_cast<sgCertSelectionFlags*>(&selection)));
        EXPECT_EQ(9, selection);
        signer.release();
    }
    EXPECT_TRUE(platform::ui::script::transcript().empty());
}

// Without its configuration the component cannot be made again: the
// signature is refused after the message, and nothing is called through a
// component that is gone.
TEST_F(HalvexSigner, AFailedRecreationRefusesTheSignatureAndAMissingConfigurationIsShown) {
    ASSERT_TRUE(WriteProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentTest));
    ASSERT_TRUE(signer.init());
    fs::remove(configuration);
    platform::ui::script::queue("MessageBox", "IDOK");
    EXPECT_EQ(S_FALSE, sign());
    const auto shown = platform::ui::script::transcript();
    ASSERT_EQ(1u, shown.size());
    EXPECT_NE(std::string::npos, shown[0].find("Není možné otevřít konfigurační soubor.")) << shown[0];
    EXPECT_FALSE(fs::exists(root.path() / "document.kyd"));

    // A configuration the component refuses shows its description with
    // the status; the wrapper stays usable for a later init.
    testkit::writeFile(configuration, "not a signed configuration");
    platform::ui::script::queue("MessageBox", "IDOK");
    EXPECT_FALSE(signer.init());
    ASSERT_EQ(2u, platform::ui::script::transcript().size());
    EXPECT_NE(std::string::npos, platform::ui::script::transcript()[1].find("0x8")) << platform::ui::script::transcript()[1];
}

TEST_F(HalvexSigner, AnUnregisteredComponentGivesTheClassError) {
    testkit::RunOptions options;
    options.env["PLATFORM_UI"] = "script";
    ASSERT_EQ(0, testkit::run({TESK_REGSVR32, "/u", "/s", TESK_MIRELO_MODULE}, options).exitCode);
    platform::ui::script::queue("MessageBox", "IDOK");
    EXPECT_FALSE(signer.init());
    EXPECT_EQ(nullptr, signer.signer());
    const auto shown = platform::ui::script::transcript();
    ASSERT_EQ(1u, shown.size());
    EXPECT_NE(std::string::npos, shown[0].find("Kód chyby: 4058")) << shown[0];
    EXPECT_EQ(E_POINTER, sign()) << "a signature without a component is a raised error";
}

}  // namespace
