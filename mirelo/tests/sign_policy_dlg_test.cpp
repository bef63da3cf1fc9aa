// The signer's policy viewer over the script backend: a policy with every
// part RFC 3125 defines (common/tests/data/policies/qualified.cnf) is shown
// as the tree that data/qualified_policy_tree.LANGUAGE.txt lists, indented,
// with its expanded items marked, in Czech, Slovak and English; a dialog
// that cannot run gives 10.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/ui.h"
#include "signer_kyd.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace {

namespace script = platform::ui::script;

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SignPolicyDialog : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        platform::ui::setBackend(nullptr);
        std::filesystem::create_directories(root.path() / "scratch");
        // References to the signing certificate only, which the signer makes.
        const auto der = testkit::policy::fromGenconf(std::filesystem::path(MIRELO_POLICY_SOURCES) / "qualified.cnf",
                                                      {{"certRef = EXPLICIT:0,ENUMERATED:2", "certRef = EXPLICIT:0,ENUMERATED:1"}},
                                                      root.path() / "scratch");
        const auto file = root.write("qualified.der", std::string(der.begin(), der.end()));
        ASSERT_TRUE(signer.SetSignPolicyFile(file.string())) << signer.GetLastErrorStr();
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
        platform::ui::setBackend(nullptr);
    }

    testkit::PlatformRoot root;
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    TSignerKyd signer;
};

TEST_F(SignPolicyDialog, ShowsEveryPartOfThePolicyInEachLanguage) {
    for (const auto& [language, name] : {std::pair{0, "cz"}, std::pair{1, "sk"}, std::pair{2, "en"}}) {
        ASSERT_TRUE(signer.SetCfgLanguageNumber(language));
        script::clear();
        script::queue("Dialog", "press:1");
        EXPECT_TRUE(signer.ShowSignPolicy()) << signer.GetLastErrorStr();
        const auto lines = script::transcript();
        ASSERT_EQ(1u, lines.size()) << name;
        const std::string expected =
            readFile(std::filesystem::path(MIRELO_TEST_DATA) / ("qualified_policy_tree." + std::string(name) + ".txt"));
        EXPECT_EQ(expected, lines[0] + "\n") << name;
    }
}

TEST_F(SignPolicyDialog, ADialogThatCannotRunGivesTen) {
    script::onUnanswered([](const std::string&) { return IDCANCEL; });
    EXPECT_FALSE(signer.ShowSignPolicy());
    EXPECT_EQ(10, signer.GetLastErrorNumber());
    EXPECT_EQ(1u, script::transcript().size()) << "the dialog was asked for";
}

}  // namespace
