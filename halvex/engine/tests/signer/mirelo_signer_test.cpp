// The renewal program's signer over the real signing component: what stays
// and what is made afresh between signatures in production and in a test
// environment, and the failures shown when the component cannot be made or
// configured.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "halvex/app_data.h"
#include "halvex/mirelo_signer.h"
#include "halvex/profile.h"
#include "mirelo_lib.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/csp.h"
#include "testkit/http_server.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/signing_inputs.h"
#include "testkit/process.h"
#include "testkit/trusted_list.h"
#include "testkit/user_stores.h"
#include "win32/com.h"
#include "win32/crypt_store.h"
#include "win32/crypt_string.h"
#include "win32/registry.h"

namespace {

using namespace halvex;
namespace fs = std::filesystem;
namespace pki = testkit::pki;
namespace list = testkit::trusted_list;

constexpr char16_t kRememberedList[] = u"Software\\Tesk\\mirelo\\certs\\1";
// A value the component itself never writes into its list.
constexpr char16_t kMarker[] = u"remembered before";

class HalvexSigner : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("PLATFORM_UI", "script", 1);
        setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR, 1);
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
        writeSigningInputs(plugins);
    }

    // The qualified policy and a trusted list naming it and the root, the
    // hierarchy trusted by the user, and a qualified certificate whose key
    // lies in a software container.
    void writeSigningInputs(const fs::path& folder) {
        testkit::writeQualifiedSigningInputs(made, server, folder);

        PCCERT_CONTEXT context = csp.certificateWithKey(
            pki::CertificateBuilder()
                .subject({{"C", "CZ"}, {"CN", "Jan Novák"}})
                .issuedBy(made.qualifiedCa)
                .keyUsage(pki::kNonRepudiation)
                .policies({{std::string(pki::kQualifiedPolicy)}})
                .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
                .crlDistributionPoints({server.url("/qualified-ca.crl")}),
            "Jan Novák");
        ASSERT_NE(nullptr, context);
        testkit::addToUserStore(u"MY", context);
        DWORD size = 0;
        CryptBinaryToStringW(context->pbCertEncoded, context->cbCertEncoded, CRYPT_STRING_BASE64HEADER, nullptr, &size);
        certificatePem.resize(size);
        CryptBinaryToStringW(context->pbCertEncoded, context->cbCertEncoded, CRYPT_STRING_BASE64HEADER,
                             certificatePem.data(), &size);
        certificatePem.resize(size);
        CertFreeCertificateContext(context);
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
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(list, kMarker, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                                sizeof value));
        RegCloseKey(list);
    }

    static bool certificateRemembered() {
        HKEY list = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRememberedList, 0, KEY_READ, &list) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        const bool found = RegQueryValueExW(list, kMarker, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
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
    // The component shows its confirmation through its own copy of the
    // layer, which reads its answers from a script file when it first asks.
    void confirmSignatures(int count) {
        std::string answers;
        for (int n = 0; n < count; ++n) answers += "Dialog check:246 Dialog 206:\nDialog press:6 Dialog 206:\n";
        const fs::path file = root.path() / "confirmations.txt";
        testkit::writeFile(file, answers);
        setenv("PLATFORM_UI", ("script:" + file.string()).c_str(), 1);
    }

    HRESULT sign() {
        try {
            return signer.Sign_Kyd(platform::text::fromUtf8((root.path() / "document.txt").string()),
                                   platform::text::fromUtf8((root.path() / "document.kyd").string()),
                                   certificatePem)
                       ? S_OK
                       : S_FALSE;
        } catch (const MireloError& error) {
            failure = platform::text::toUtf8(error.description());
            return error.status();
        }
    }

    testkit::PlatformRoot root;
    testkit::HttpServer server;
    pki::Hierarchy made = pki::Hierarchy::make({.crlBaseUrl = server.url("")});
    testkit::TestCsp csp{testkit::CspKind::Software, root, u"renewal"};
    fs::path configuration;
    std::u16string certificatePem;
    std::string failure;  // the component's description of the last failed signature
    Mirelo signer;
};

// The marker is a setting of the component that its reset leaves alone and
// the wrapper never sets: it survives as long as the component does.
TEST_F(HalvexSigner, ProductionKeepsOneComponentAndNeverTouchesTheRememberedCertificates) {
    ASSERT_TRUE(WriteProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentProduction));
    rememberCertificate();
    ASSERT_TRUE(signer.init()) << testing::PrintToString(platform::ui::script::transcript());
    ASSERT_EQ(S_OK, signer.signer()->put_CfgSignHashAlgorithmType(sgHashAlgSHA384));
    ASSERT_EQ(S_OK, signer.signer()->put_CfgLanguageNumber(sgLangEN));
    ISignerKyd* const component = signer.signer();

    confirmSignatures(2);
    for (int signature = 0; signature < 2; ++signature) {
        EXPECT_EQ(S_OK, sign()) << failure;
        EXPECT_EQ(component, signer.signer());
        EXPECT_EQ(sgHashAlgSHA384, hashOfComponent());
        EXPECT_TRUE(certificateRemembered());
    }
    LONG selection = 0;
    ASSERT_EQ(S_OK, signer.signer()->get_CfgCertSelection(reinterpret_cast<sgCertSelectionFlags*>(&selection)));
    EXPECT_EQ(31, selection);
    sgLanguages language = sgLangEN;
    ASSERT_EQ(S_OK, signer.signer()->get_CfgLanguageNumber(&language));
    EXPECT_EQ(0, language) << "the program's Czech string table asks for Czech";
    EXPECT_TRUE(platform::ui::script::transcript().empty());
}

// A setting changed on the component is gone after each signature: every
// signature gets a component of its own.
TEST_F(HalvexSigner, TestEnvironmentsForgetRememberedCertificatesAndMakeTheComponentPerSignature) {
    confirmSignatures(4);
    for (DWORD environment : {kEnvironmentDevelopment, kEnvironmentTest}) {
        SCOPED_TRACE(environment);
        ASSERT_TRUE(WriteProfileInt(kWorkspaceSection, u"AppEnvironment", environment));
        ASSERT_TRUE(signer.init());
        const sgHashAlgTypes fresh = hashOfComponent();
        for (int signature = 0; signature < 2; ++signature) {
            SCOPED_TRACE(signature);
            ASSERT_EQ(S_OK, signer.signer()->put_CfgSignHashAlgorithmType(
                                fresh == sgHashAlgSHA384 ? sgHashAlgSHA256 : sgHashAlgSHA384));
            rememberCertificate();
            EXPECT_EQ(S_OK, sign()) << failure;
            EXPECT_EQ(fresh, hashOfComponent()) << "the component was not made afresh";
            EXPECT_FALSE(certificateRemembered());
            EXPECT_TRUE(listKeyExists()) << "the emptied list is made again";
        }
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

// The request signed as the program signs it, judged by the peers: the
// container is a sound ZIP, and its signature verifies over its document
// against the hierarchy's root.
TEST_F(HalvexSigner, ASignedRequestIsAContainerThatUnzipAndOpensslAccept) {
    ASSERT_TRUE(WriteProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentTest));
    ASSERT_TRUE(signer.init());
    confirmSignatures(1);
    ASSERT_EQ(S_OK, sign()) << failure;

    const fs::path container = root.path() / "document.kyd";
    const auto tested = testkit::run({"unzip", "-t", container.string()});
    EXPECT_EQ(0, tested.exitCode) << tested.out << tested.err;
    const auto names = testkit::run({"unzip", "-Z1", container.string()});
    ASSERT_EQ(0, names.exitCode) << names.err;
    std::string signature, document;
    std::istringstream lines(names.out);
    // The entries lie in the container's dated folder.
    for (std::string name; std::getline(lines, name);) {
        const std::string file = fs::path(name).filename().string();
        if (file.rfind("S", 0) == 0 && file.ends_with(".p7s")) signature = name;
        if (file.rfind("M", 0) == 0 && file.ends_with(".eml")) document = name;
    }
    ASSERT_FALSE(signature.empty()) << names.out;
    ASSERT_FALSE(document.empty()) << names.out;
    const fs::path peer = root.path() / "peer";
    fs::create_directories(peer);
    testkit::writeFile(peer / "signature.der", testkit::run({"unzip", "-p", container.string(), signature}).out);
    testkit::writeFile(peer / "document.eml", testkit::run({"unzip", "-p", container.string(), document}).out);
    testkit::writeFile(peer / "trusted.pem", made.root.certificate.pem() + made.qualifiedCa.certificate.pem());
    const auto verified = testkit::run({"openssl", "cms", "-verify", "-inform", "DER", "-in", "signature.der",
                                        "-binary", "-content", "document.eml", "-CAfile", "trusted.pem",
                                        "-purpose", "any", "-out", "verified.eml"},
                                       peer);
    EXPECT_EQ(0, verified.exitCode) << verified.err;
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
