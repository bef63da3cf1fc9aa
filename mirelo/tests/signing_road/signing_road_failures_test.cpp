// Signing into containers when a step fails: each failure has its number,
// comes in the road's order, writes no container and leaves an existing
// one as it was, and the plug-in's document is always ended (command 2);
// a container that cannot be written whole, or a signer killed at any
// moment, leaves the old container or the new one whole. A recording
// plug-in hands documents back and tells its calls.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "signing_road_fixture.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/trusted_list.h"

namespace {

using namespace signing_road;
namespace fs = std::filesystem;
namespace list = testkit::trusted_list;

class SigningRoadFailures : public SigningRoad {
protected:
    void SetUp() override {
        SigningRoad::SetUp();
        plugins = folder() / "plugins";
        fs::create_directories(plugins);
        fs::copy_file(fs::path(MIRELO_TEST_PLUGIN_DIR) / "TeskDocumentPluginKyd.so", plugins / "TeskDocumentPluginKyd.so");
        // Quotes, which the header must carry escaped.
        document = folder() / "contract \"final\"; v2.txt";
        testkit::writeFile(document, "Contract of sale\r\n");
    }

    // The plug-in's calls since the last look, "|" between them.
    std::string calls() {
        std::string lines = fs::exists(callLog) ? testkit::readFile(callLog) : std::string();
        fs::remove(callLog);
        std::string out;
        for (std::size_t at = 0; (at = lines.find("Document call ", at)) != std::string::npos; at += 14) {
            if (!out.empty()) out += "|";
            out += lines.substr(at + 9, lines.find('\n', at) - at - 9);
        }
        return out;
    }

    static LONG errorNumber(ISignerKyd* object) { return get(object, u"LastErrorNumber").number; }
    static HRESULT signFileToFile(ISignerKyd* object, const std::string& file, const fs::path& kyd,
                                  const std::string& type) {
        return call(object, u"SignFileToFile", {text(file), text(kyd.string()), text(type)}).hr;
    }
    static HRESULT signAddSignerToFile(ISignerKyd* object, const fs::path& kyd) {
        return call(object, u"SignAddSignerToFile", {text(kyd.string())}).hr;
    }

    fs::path plugins, document;
    fs::path callLog = folder() / "calls.txt";
    const ScopedEnv log{"KYD_TEST_PLUGIN_LOG", (fs::temp_directory_path() / "unused").string()};
};

TEST_F(SigningRoadFailures, EachFailingStepHasItsNumberInOrderWritesNothingAndEndsThePluginsDocument) {
    const ScopedEnv recorded{"KYD_TEST_PLUGIN_LOG", callLog.string()};
    answerDialogs({"Dialog press:7 Dialog 206:", "Dialog close Dialog 206:",
                   // Seeing the document is agreeing with it; "..." finds
                   // no other certificate to offer, which a warning tells.
                   "Dialog press:242 Dialog 206:", "Dialog press:221 Dialog 206:",
                   "MessageBox IDOK There is certificate not found.", "Dialog press:6 Dialog 206:",
                   // A fixed signer cannot choose another certificate.
                   "Dialog press:7 221 button \"...\" disabled", "Dialog check:246 Dialog 206:",
                   "Dialog press:6 Dialog 206:", "Dialog check:246 Dialog 206:", "Dialog press:6 Dialog 206:"});
    auto object = configured(plugins, 1, first);
    ASSERT_TRUE(object);
    calls();
    const fs::path kyd = folder() / "contract.kyd";
    const fs::path existing = folder() / "existing.kyd";
    testkit::writeFile(existing, "kept as it was");
    const fs::path lineBreak = folder() / "two\nlines.txt";
    testkit::writeFile(lineBreak, "text");
    std::unique_ptr<ScopedEnv> pluginSetting;

    struct Row {
        const char* what;
        std::function<void()> before;
        std::string file;
        fs::path target;
        std::string type;
        LONG number;
        std::string calls;
    };
    const std::string doc = document.string();
    const std::string converted = "call 3|call 4|call 2|call 2";
    const Row rows[] = {
        {"no document", [] {}, "", kyd, "text/plain", 30, ""},
        {"a container exists", [] {}, doc, existing, "text/plain", 7103, ""},
        {"no plug-in for the type", [] {}, doc, kyd, "application/x-unknown", 9301, ""},
        {"no trusted list",
         [&] { ASSERT_EQ(S_OK, call(object.get(), u"SetTrustedListFile", {text("")}).hr); }, doc, kyd, "text/plain",
         9501, "call 2"},
        {"no policy",
         [&] {
             ASSERT_EQ(S_OK, call(object.get(), u"SetTrustedListFile", {text(trustedListFile.string())}).hr);
             ASSERT_EQ(S_OK, call(object.get(), u"SetSignPolicyFile", {text("")}).hr);
         },
         doc, kyd, "text/plain", 3201, "call 2"},
        {"the document cannot be read",
         [&] { ASSERT_EQ(S_OK, call(object.get(), u"SetSignPolicyFile", {text(policyFile.string())}).hr); },
         (folder() / "missing.txt").string(), kyd, "text/plain", 7101, "call 2"},
        {"the conversion fails",
         [&] { pluginSetting = std::make_unique<ScopedEnv>("KYD_TEST_PLUGIN_TRANSFORM", "fail"); }, doc, kyd,
         "text/plain", 9302, "call 3|call 2"},
        {"a line break in the file name", [&] { pluginSetting.reset(); }, lineBreak.string(), kyd, "text/plain", 9201,
         "call 3|call 2"},
        {"the document cannot be checked",
         [&] { pluginSetting = std::make_unique<ScopedEnv>("KYD_TEST_PLUGIN_CHECK", "fail"); }, doc, kyd, "text/plain",
         9303, converted},
        {"the document is not valid",
         [&] { pluginSetting = std::make_unique<ScopedEnv>("KYD_TEST_PLUGIN_VERDICT", "2"); }, doc, kyd, "text/plain",
         9304, converted},
        {"the user says No", [&] { pluginSetting.reset(); }, doc, kyd, "text/plain", 11, converted},
        {"the user cancels", [] {}, doc, kyd, "text/plain", 12, converted},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.before();
        calls();
        EXPECT_TRUE(FAILED(signFileToFile(object.get(), row.file, row.target, row.type)));
        EXPECT_EQ(row.number, errorNumber(object.get())) << lastError(object.get());
        EXPECT_EQ(row.calls, calls());
        EXPECT_FALSE(fs::exists(kyd));
    }
    EXPECT_EQ("kept as it was", testkit::readFile(existing));
    EXPECT_NE(std::string::npos, get(object.get(), u"LogString").text.find("the document holds active content"))
        << "the check's report";

    // Signed over the existing file, which CfgFile now allows, then a
    // second signer refused (the container stays byte for byte) and given:
    // the stored message is signed unconverted, and the policy already
    // stored is not stored again.
    const fs::path& signedKyd = existing;
    ASSERT_EQ(S_OK, put(object.get(), u"CfgFile", number(1)));
    ASSERT_EQ(S_OK, signFileToFile(object.get(), doc, signedKyd, "text/plain")) << lastError(object.get());
    EXPECT_EQ("call 3|call 4|call 5|call 2|call 2", calls()) << "the document shown through its plug-in";
    const Bytes message = entry(signedKyd, entries(signedKyd).front());
    const auto named = testkit::run({"python3", "-c",
                                     "import sys, email\n"
                                     "m = email.message_from_bytes(sys.stdin.buffer.read())\n"
                                     "sys.stdout.write(m.get_filename() + '|' + str(len(m.keys())))"},
                                    testkit::RunOptions{.input = std::string(message.begin(), message.end())});
    EXPECT_EQ(document.filename().string() + "|4", named.out) << named.err;
    const std::string signedOnce = testkit::readFile(signedKyd);
    ASSERT_EQ(S_OK, put(object.get(), u"CfgConfirmationDlg", number(1)));
    EXPECT_TRUE(FAILED(signAddSignerToFile(object.get(), signedKyd)));
    EXPECT_EQ(11, errorNumber(object.get()));
    EXPECT_EQ("call 4|call 2", calls());
    EXPECT_EQ(signedOnce, testkit::readFile(signedKyd));
    ASSERT_EQ(S_OK, signAddSignerToFile(object.get(), signedKyd)) << lastError(object.get());
    EXPECT_EQ("call 4|call 2", calls());
    const auto names = entries(signedKyd);
    ASSERT_EQ(4u, names.size());
    EXPECT_NE(std::string::npos, names[2].find("/Policy/P"));
    EXPECT_NE(std::string::npos, names[3].find("/S"));

    // A signer under another policy, which a list of its own names: that
    // policy is stored beside the first.
    testkit::policy::SignaturePolicy other;
    other.oid = "1.3.6.1.4.1.32473.10.1.4";
    other.issuerUri = "http://policies.tesk.example/other.der";
    other.signerTrust = {hierarchy().root.certificate};
    const Bytes otherDer = testkit::policy::encode(other);
    const fs::path otherPolicy = folder() / "other-policy.der";
    testkit::writeFile(otherPolicy, std::string(otherDer.begin(), otherDer.end()));
    const std::string listed = list::stamp(pki::fromNow(-std::chrono::hours(24)));
    const std::string otherText = list::listText({
        {"/l/signaturePolicy_" + listed + ".der", otherDer, pki::Hash::Sha1, "20991231235959Z", {{"OID", other.oid}}},
        {"/l/trustedCertificate_" + listed + ".der", hierarchy().root.certificate.der(), pki::Hash::Sha1,
         "20991231235959Z", {{"OID", "1.2.3"}}},
    });
    const fs::path otherList = folder() / "other-list.kyd";
    list::writeContainer(otherList, list::signCms(otherText, hierarchy().commercial), listed);
    ASSERT_EQ(S_OK, call(object.get(), u"SetTrustedListFile", {text(otherList.string())}).hr) << lastError(object.get());
    ASSERT_EQ(S_OK, call(object.get(), u"SetSignPolicyFile", {text(otherPolicy.string())}).hr) << lastError(object.get());
    ASSERT_EQ(S_OK, signAddSignerToFile(object.get(), signedKyd)) << lastError(object.get());
    calls();
    const auto withOther = entries(signedKyd);
    ASSERT_EQ(6u, withOther.size());
    EXPECT_NE(std::string::npos, withOther[4].find("/S"));
    EXPECT_NE(std::string::npos, withOther[5].find("/Policy/P"));
    const Bytes stored = entry(signedKyd, withOther[5]);
    EXPECT_EQ(otherDer, stored);

    // A container that holds its document as a plain file has no message
    // to add a signature to.
    const fs::path plain = folder() / "plain.kyd";
    const auto made = testkit::run({"python3", "-c", R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z: z.writestr('D20261207211554Z\\contract.txt', 'Contract of sale'))",
                                    plain.string()});
    ASSERT_EQ(0, made.exitCode) << made.err;
    const std::string plainBytes = testkit::readFile(plain);
    EXPECT_TRUE(FAILED(signAddSignerToFile(object.get(), plain)));
    EXPECT_EQ(9202, errorNumber(object.get())) << lastError(object.get());
    EXPECT_EQ("", calls());
    EXPECT_EQ(plainBytes, testkit::readFile(plain));
}

// A plug-in that converts the document names it after its output: the
// file name, a dot and the output's extension, of the output's type.
TEST_F(SigningRoadFailures, AConvertedDocumentIsNamedAfterTheConvertersOutput) {
    const ScopedEnv converter{"KYD_TEST_PLUGIN_OUTPUT", "application/x-converted"};
    answerDialogs({"Dialog check:246 Dialog 206:", "Dialog press:6 Dialog 206:"});
    auto object = configured(plugins, 1, first);
    ASSERT_TRUE(object);
    const fs::path kyd = folder() / "contract.kyd";
    ASSERT_EQ(S_OK, signFileToFile(object.get(), document.string(), kyd, "text/plain")) << lastError(object.get());
    const Bytes message = entry(kyd, entries(kyd).front());
    const auto named = testkit::run({"python3", "-c",
                                     "import sys, email\n"
                                     "m = email.message_from_bytes(sys.stdin.buffer.read())\n"
                                     "sys.stdout.write(m.get_filename() + '|' + m.get_content_type())"},
                                    testkit::RunOptions{.input = std::string(message.begin(), message.end())});
    EXPECT_EQ(document.filename().string() + ".dat|application/x-converted", named.out) << named.err;
    EXPECT_EQ("application/x-converted", call(object.get(), u"DocumentGetContentType", {text(kyd.string())}).text);
}

// A container that cannot be written whole (the file size limit stands in
// for a full disk) fails with 9102 after the signing, its text followed by
// the system's cause: the container there before stays byte for byte, and
// nothing is left beside it.
TEST_F(SigningRoadFailures, AContainerThatCannotBeWrittenWholeLeavesTheOldOneAndNothingBeside) {
    // One signing here; each child answers the next pair from its own copy.
    answerDialogs({"Dialog check:246 Dialog 206:", "Dialog press:6 Dialog 206:", "Dialog check:246 Dialog 206:",
                   "Dialog press:6 Dialog 206:"});
    auto object = configured(plugins, 1, first);
    ASSERT_TRUE(object);
    const fs::path kyd = folder() / "contract.kyd";
    ASSERT_EQ(S_OK, signFileToFile(object.get(), document.string(), kyd, "text/plain")) << lastError(object.get());
    ASSERT_EQ(S_OK, put(object.get(), u"CfgFile", number(1)));
    const std::string oldBytes = testkit::readFile(kyd);
    const auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(folder())) names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto before = listing();

    const fs::path outcome = root.path() / "outcome.txt";
    struct Step {
        const char* what;
        std::function<HRESULT()> sign;
        rlimit limit;
    };
    const auto half = static_cast<rlim_t>(oldBytes.size() / 2), more = static_cast<rlim_t>(oldBytes.size() + 64);
    const Step steps[] = {
        {"signed anew over it", [&] { return signFileToFile(object.get(), document.string(), kyd, "text/plain"); },
         {half, half}},
        {"a signer added", [&] { return signAddSignerToFile(object.get(), kyd); }, {more, more}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        fs::remove(outcome);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &step.limit);
            const HRESULT hr = step.sign();
            const std::string number = std::to_string(errorNumber(object.get()));
            const std::string text = get(object.get(), u"LastErrorStr").text;
            const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &unlimited);
            testkit::writeFile(outcome, (FAILED(hr) ? "failed " : "signed ") + number + "\n" + text);
            _exit(0);
        }
        int status = -1;
        waitpid(child, &status, 0);
        ASSERT_EQ(0, status);
        EXPECT_EQ("failed 9102\nError while compressing Kyd file. "
                  "The file size exceeds the limit allowed and cannot be saved.",
                  testkit::readFile(outcome));
        EXPECT_EQ(oldBytes, testkit::readFile(kyd));
        EXPECT_EQ(before, listing());
    }
}

TEST_F(SigningRoadFailures, ASignerKilledAtAnyMomentLeavesTheOldContainerOrTheNewOneWhole) {
    std::vector<std::string> answers;
    for (int n = 0; n < 3; ++n) answers.insert(answers.end(), {"Dialog check:246 Dialog 206:", "Dialog press:6 Dialog 206:"});
    // The last pair is left for the children, each of which answers from
    // its own copy.
    answerDialogs(answers);
    auto object = configured(plugins, 1, first);
    ASSERT_TRUE(object);
    const fs::path kyd = folder() / "contract.kyd";
    ASSERT_EQ(S_OK, signFileToFile(object.get(), document.string(), kyd.string(), "text/plain")) << lastError(object.get());
    const std::string oldBytes = testkit::readFile(kyd);
    ASSERT_EQ(3u, entries(kyd).size());

    const fs::path reference = folder() / "reference.kyd";
    fs::copy_file(kyd, reference);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(S_OK, signAddSignerToFile(object.get(), reference)) << lastError(object.get());
    const auto duration = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(4u, entries(reference).size());

    constexpr int kPoints = 20;
    int sawOld = 0, sawNew = 0;
    for (int point = 0; point < kPoints; ++point) {
        SCOPED_TRACE(point);
        testkit::writeFile(kyd, oldBytes);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(signAddSignerToFile(object.get(), kyd.string()) == S_OK ? 0 : 1);
        // Spread over the whole signing and past its end; the last signer
        // is left to finish.
        std::this_thread::sleep_for(duration * point * 3 / (2 * kPoints));
        if (point < kPoints - 1) kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const auto tested = testkit::run({"unzip", "-tq", kyd.string()});
        ASSERT_EQ(0, tested.exitCode) << tested.out << tested.err;
        const std::size_t count = entries(kyd).size();
        if (count == 3) {
            EXPECT_EQ(oldBytes, testkit::readFile(kyd));
            ++sawOld;
        } else {
            EXPECT_EQ(4u, count);
            ++sawNew;
        }
    }
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
}

}  // namespace
