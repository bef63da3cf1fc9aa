// Signing into containers when a step fails: each failure has its number,
// comes in the road's order, writes no container and leaves an existing
// one as it was, and the plug-in's document is always ended (command 2);
// a signer killed at any moment leaves the old container or the new one
// whole. A recording plug-in hands documents back and tells its calls.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "signing_road_fixture.h"
#include "testkit/process.h"

namespace {

using namespace signing_road;
namespace fs = std::filesystem;

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

    static LONG number(ISignerKyd* object) {
        LONG n = -1;
        object->get_LastErrorNumber(&n);
        return n;
    }

    fs::path plugins, document;
    fs::path callLog = folder() / "calls.txt";
    const ScopedEnv log{"KYD_TEST_PLUGIN_LOG", (fs::temp_directory_path() / "unused").string()};
};

TEST_F(SigningRoadFailures, EachFailingStepHasItsNumberInOrderWritesNothingAndEndsThePluginsDocument) {
    const ScopedEnv recorded{"KYD_TEST_PLUGIN_LOG", callLog.string()};
    answerDialogs({"Dialog press:7 Dialog 206:", "Dialog close Dialog 206:", "Dialog check:246 Dialog 206:",
                   "Dialog press:6 Dialog 206:", "Dialog press:7 Dialog 206:", "Dialog check:246 Dialog 206:",
                   "Dialog press:6 Dialog 206:"});
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
         [&] { ASSERT_EQ(S_OK, withText(object.get(), &ISignerKyd::SetTrustedListFile, "")); }, doc, kyd, "text/plain",
         9501, "call 2"},
        {"no policy",
         [&] {
             ASSERT_EQ(S_OK, withText(object.get(), &ISignerKyd::SetTrustedListFile, trustedListFile.string()));
             ASSERT_EQ(S_OK, withText(object.get(), &ISignerKyd::SetSignPolicyFile, ""));
         },
         doc, kyd, "text/plain", 3201, "call 2"},
        {"the conversion fails",
         [&] {
             ASSERT_EQ(S_OK, withText(object.get(), &ISignerKyd::SetSignPolicyFile, policyFile.string()));
             pluginSetting = std::make_unique<ScopedEnv>("KYD_TEST_PLUGIN_TRANSFORM", "fail");
         },
         doc, kyd, "text/plain", 9302, "call 3|call 2"},
        {"a line break in the file name", [&] { pluginSetting.reset(); }, lineBreak.string(), kyd, "text/plain", 9201,
         "call 3|call 2"},
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
        EXPECT_TRUE(FAILED(signFileToFile(object.get(), row.file, row.target.string(), row.type)));
        EXPECT_EQ(row.number, number(object.get())) << lastError(object.get());
        EXPECT_EQ(row.calls, calls());
        EXPECT_FALSE(fs::exists(kyd));
    }
    EXPECT_EQ("kept as it was", testkit::readFile(existing));
    BSTR log = nullptr;
    ASSERT_EQ(S_OK, object->get_LogString(&log));
    const std::u16string logText = mirelo_test::takeText(log);
    EXPECT_NE(std::u16string::npos, logText.find(u"the document holds active content")) << "the check's report";

    // Signed over the existing file, which CfgFile now allows, then a
    // second signer refused (the container stays byte for byte) and given:
    // the stored message is signed unconverted, and the policy already
    // stored is not stored again.
    const fs::path& signedKyd = existing;
    ASSERT_EQ(S_OK, object->put_CfgFile(static_cast<sgFileFlags>(1)));
    ASSERT_EQ(S_OK, signFileToFile(object.get(), doc, signedKyd.string(), "text/plain")) << lastError(object.get());
    EXPECT_EQ(converted, calls());
    const Bytes message = entry(signedKyd, entries(signedKyd).front());
    const auto named = testkit::run({"python3", "-c",
                                     "import sys, email\n"
                                     "m = email.message_from_bytes(sys.stdin.buffer.read())\n"
                                     "sys.stdout.write(m.get_filename() + '|' + str(len(m.keys())))"},
                                    testkit::RunOptions{.input = std::string(message.begin(), message.end())});
    EXPECT_EQ(document.filename().string() + "|4", named.out) << named.err;
    const std::string signedOnce = testkit::readFile(signedKyd);
    EXPECT_TRUE(FAILED(signAddSignerToFile(object.get(), signedKyd.string())));
    EXPECT_EQ(11, number(object.get()));
    EXPECT_EQ("call 4|call 2", calls());
    EXPECT_EQ(signedOnce, testkit::readFile(signedKyd));
    ASSERT_EQ(S_OK, signAddSignerToFile(object.get(), signedKyd.string())) << lastError(object.get());
    EXPECT_EQ("call 4|call 2", calls());
    const auto names = entries(signedKyd);
    ASSERT_EQ(4u, names.size());
    EXPECT_NE(std::string::npos, names[2].find("/Policy/P"));
    EXPECT_NE(std::string::npos, names[3].find("/S"));
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
    ASSERT_EQ(S_OK, signAddSignerToFile(object.get(), reference.string())) << lastError(object.get());
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
