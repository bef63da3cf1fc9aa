// What a test starts ends with the test, however it ends: a test that
// fails while programs of its still run, one detached into a session of
// its own among them, one ended by SIGTERM, and one ended as ctest ends a
// test past its time (its whole tree of processes stopped and killed),
// leave no process behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace {

namespace fs = std::filesystem;

// True while the process runs the left test's "sleep 2999"; a zombie's
// command line is empty, and another process given the number later has
// its own.
bool sleeping(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::stringstream line;
    line << in.rdbuf();
    return line.str() == std::string("sleep\0" "2999\0", 11);
}

// As ctest ends a test past its time: the process stopped, then what runs
// under it, then the process killed.
void killTree(pid_t pid) {
    kill(pid, SIGSTOP);
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        std::getline(in, stat);
        const auto name = stat.rfind(')');
        if (name == std::string::npos) continue;
        std::istringstream rest(stat.substr(name + 1));
        std::string state;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == pid) killTree(std::stoi(entry.path().filename()));
    }
    kill(pid, SIGKILL);
}

bool within(std::chrono::seconds limit, const std::function<bool()>& holds) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!holds()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(ProcessesOfATest, EndWithTheTestHoweverItEnds) {
    const std::function<void(pid_t)> terminate = [](pid_t pid) { kill(pid, SIGTERM); };
    for (const auto& [end, ending] :
         std::vector<std::pair<std::string, std::function<void(pid_t)>>>{
             {"fail", nullptr}, {"terminate", terminate}, {"kill", killTree}}) {
        SCOPED_TRACE(end);
        const testkit::PlatformRoot root;
        const fs::path pids = root.path() / "pids";
        testkit::RunOptions options;
        options.env = {{"TESTKIT_LEFT_PIDS", pids.string()}, {"TESTKIT_LEFT_END", end}};
        testkit::Service test({TESTKIT_LEFT_BEHIND_TEST}, options);
        ASSERT_TRUE(within(std::chrono::seconds(30), [&] { return fs::exists(pids) || !test.running(); }));
        ASSERT_TRUE(fs::exists(pids)) << test.log();
        std::istringstream listed(testkit::readFile(pids));
        std::vector<pid_t> started;
        for (pid_t pid; listed >> pid;) started.push_back(pid);
        ASSERT_EQ(3u, started.size());
        // A test made to fail ends by itself; the others run until ended.
        if (ending) {
            for (const pid_t pid : started)
                ASSERT_TRUE(within(std::chrono::seconds(10), [&] { return sleeping(pid); })) << pid;
            ending(test.pid());
        }
        ASSERT_TRUE(within(std::chrono::seconds(30), [&] { return !test.running(); }));
        for (const pid_t pid : started)
            EXPECT_TRUE(within(std::chrono::seconds(10), [&] { return !sleeping(pid); })) << pid << " was left running";
    }
}

}  // namespace
