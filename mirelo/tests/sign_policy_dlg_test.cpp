// The signer's policy viewer over the script backend: a policy with every
// part RFC 3125 defines (common/tests/data/policies/qualified.cnf) is shown
// as the tree that data/qualified_policy_tree.LANGUAGE.txt lists, indented,
// with its expanded items marked, in Czech, Slovak and English, also when
// the signer loaded it from Base64 text; a dialog that cannot run gives 10.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "platform/ui.h"
#include "signer_kyd.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace {

namespace script = platform::ui::script;

class SignPolicyDialog : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        platform::ui::setBackend(nullptr);
        std::filesystem::create_directories(root.path() / "scratch");
        // References to the signing certificate only, which the signer makes.
        const testkit::policy::Edit signerOnly{"certRef = EXPLICIT:0,ENUMERATED:2", "certRef = EXPLICIT:0,ENUMERATED:1"};
        const auto der = testkit::policy::fromGenconf(std::filesystem::path(MIRELO_POLICY_SOURCES) / "qualified.cnf",
                                                      {signerOnly}, root.path() / "scratch");
        testkit::writeFile(policy, std::string(der.begin(), der.end()));
        ASSERT_TRUE(signer.SetSignPolicyFile(platform::paths::toAnsi(policy))) << signer.GetLastErrorStr();
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
        platform::ui::setBackend(nullptr);
    }

    // The transcript of the dialog answered by OK; the listing expected.
    std::string Shown() {
        script::clear();
        script::queue("Dialog", "press:1");
        EXPECT_TRUE(signer.ShowSignPolicy()) << signer.GetLastErrorStr();
        const auto lines = script::transcript();
        return lines.size() == 1 ? lines[0] + "\n" : std::string();
    }
    static std::string Expected(const std::string& language) {
        const auto name = "qualified_policy_tree." + language + ".txt";
        return testkit::readFile(std::filesystem::path(MIRELO_TEST_DATA) / name);
    }

    testkit::PlatformRoot root;
    const std::filesystem::path policy = root.path() / "qualified.der";
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    TSignerKyd signer;
};

TEST_F(SignPolicyDialog, ShowsEveryPartOfThePolicyInEachLanguage) {
    for (const auto& [language, name] : {std::pair{0, "cz"}, std::pair{1, "sk"}, std::pair{2, "en"}}) {
        ASSERT_TRUE(signer.SetCfgLanguageNumber(language));
        EXPECT_EQ(Expected(name), Shown()) << name;
    }
    // Loaded from Base64 text, the policy is shown from the bytes the
    // signer holds.
    const auto text = root.path() / "qualified.b64";
    const auto encoded = testkit::run({"openssl", "base64", "-in", policy.string(), "-out", text.string()});
    ASSERT_EQ(0, encoded.exitCode) << encoded.err;
    ASSERT_TRUE(signer.SetFormatOptions(kKydFormatOptions & ~kFormatInputDer));
    ASSERT_TRUE(signer.SetSignPolicyFile(platform::paths::toAnsi(text))) << signer.GetLastErrorStr();
    EXPECT_EQ(Expected("en"), Shown()) << "from Base64";
}

TEST_F(SignPolicyDialog, ADialogThatCannotRunGivesTen) {
    script::onUnanswered([](const std::string&) { return IDCANCEL; });
    EXPECT_FALSE(signer.ShowSignPolicy());
    EXPECT_EQ(10, signer.GetLastErrorNumber());
    EXPECT_EQ(1u, script::transcript().size()) << "the dialog was asked for";
}

}  // namespace
