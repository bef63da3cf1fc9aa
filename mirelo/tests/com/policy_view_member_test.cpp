// The object's signature-policy viewer: without a policy it shows nothing
// and answers 3201; with one it shows the policy it holds as a named tree
// in the dialog, which OK and the close box both end with success. Without
// the OID description files beside the module the tree is shown all the
// same, its OIDs dotted. The dialog is answered by a script file whose
// lines also check the title and the tree.
#include <filesystem>
#include <string>

#include "mirelo_client.h"
#include "testkit/policy.h"
#include "testkit/scoped_env.h"

namespace {

using MireloPolicyView = mirelo_test::MireloClient;

TEST_F(MireloPolicyView, ThePolicyHeldIsShownAsANamedTreeUntilOkOrClose) {
    const auto script = root.write("answers.txt",
                                   "Dialog press:1 Dialog 214: Signature policy | 239 tree \"\"\n"
                                   "Dialog close \"Signature Policy\" expanded\n");
    const ScopedEnv ui{"PLATFORM_UI", "script:" + script.string()};
    ASSERT_EQ(S_OK, object->put_CfgLanguageNumber(sgLangEN));

    EXPECT_TRUE(FAILED(object->ShowSignPolicy()));
    EXPECT_EQ(3201, lastErrorNumber());

    const auto der = testkit::policy::encode(testkit::policy::SignaturePolicy{});
    const auto file = root.write("conf/policy.der", std::string(der.begin(), der.end()));
    ASSERT_EQ(S_OK, withText(&ISignerKyd::SetSignPolicyFile, file.string()));
    // What is shown is the policy the signer loaded, not the file now.
    std::filesystem::remove(file);

    // A line whose text is not in the dialog's would end the process.
    EXPECT_EQ(S_OK, object->ShowSignPolicy()) << "OK";
    EXPECT_EQ(0, lastErrorNumber());
    EXPECT_EQ(S_OK, object->ShowSignPolicy()) << "the close box";
    EXPECT_EQ(0, lastErrorNumber());
}

// The module alone in a Czech-named folder of its own, without the
// description files.
class MireloWithoutDescriptions : public MireloPolicyView {
protected:
    void SetUp() override {
        RegisteredMirelo::SetUp();
        std::filesystem::create_directories(module.parent_path());
        std::filesystem::copy_file(mirelo_test::kModule, module);
        const auto registered = mirelo_test::regsvr32({"/s", module.string()});
        ASSERT_EQ(0, registered.exitCode) << registered.err;
        object = create();
        ASSERT_TRUE(object);
    }

    std::filesystem::path module = root.path() / "Moduly bez popisů" / "libmirelo.so";
};

TEST_F(MireloWithoutDescriptions, ThePolicyIsShownWithDottedOidsAndTheLogWarns) {
    // The digest algorithm stands as its bare OID; with its description it
    // would read "SHA-256 (2.16.840.1.101.3.4.2.1)".
    const auto script = root.write("answers.txt", "Dialog press:1 \"Signature Policy\" expanded\n"
                                                  "Dialog press:1 \"2.16.840.1.101.3.4.2.1\"\n");
    const ScopedEnv ui{"PLATFORM_UI", "script:" + script.string()};
    ASSERT_EQ(S_OK, object->put_CfgLanguageNumber(sgLangEN));
    ASSERT_EQ(S_OK, object->put_LogLevel(static_cast<sgLogLevelFlags>(3)));
    const auto der = testkit::policy::encode(testkit::policy::SignaturePolicy{});
    const auto file = root.write("policy.der", std::string(der.begin(), der.end()));
    ASSERT_EQ(S_OK, withText(&ISignerKyd::SetSignPolicyFile, file.string()));

    EXPECT_EQ(S_OK, object->ShowSignPolicy());
    EXPECT_EQ(0, lastErrorNumber());
    BSTR log = nullptr;
    ASSERT_EQ(S_OK, object->get_LogString(&log));
    const std::u16string text = mirelo_test::takeText(log);
    const std::string expected = "OID descriptions not found: " + (module.parent_path() / "oiddb.en.cfg").string();
    EXPECT_NE(std::u16string::npos, text.find(platform::text::fromUtf8(expected))) << platform::text::toUtf8(text);
}

// A policy the signer takes whose tree the viewer cannot read cleanly (a
// time whose fraction of the second ends in a zero, which DER forbids) is
// not shown.
TEST_F(MireloPolicyView, APolicyWhoseTreeHasProblemsIsNotShown) {
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    std::filesystem::create_directories(root.path() / "scratch");
    const auto der = testkit::policy::fromGenconf(
        std::filesystem::path(MIRELO_POLICY_SOURCES) / "minimal.cnf",
        {{"dateOfIssue = GENTIME:20230601120000Z", "dateOfIssue = GENTIME:20230601120000.50Z"}},
        root.path() / "scratch");
    const auto file = root.write("policy.der", std::string(der.begin(), der.end()));
    ASSERT_EQ(S_OK, withText(&ISignerKyd::SetSignPolicyFile, file.string())) << lastErrorNumber();
    EXPECT_TRUE(FAILED(object->ShowSignPolicy()));
    EXPECT_EQ(3202, lastErrorNumber());
}

}  // namespace
