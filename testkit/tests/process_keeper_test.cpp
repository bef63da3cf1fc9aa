// What a test starts ends with the test, however it ends: a test that
// fails while a program of its still runs, and one ended by SIGTERM or
// SIGKILL (ctest's end of a test past its time), leave no process behind.
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

bool within(std::chrono::seconds limit, const std::function<bool()>& holds) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!holds()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(ProcessesOfATest, EndWithTheTestHoweverItEnds) {
    for (const auto& [end, signal] :
         std::vector<std::pair<std::string, int>>{{"fail", 0}, {"terminate", SIGTERM}, {"kill", SIGKILL}}) {
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
        ASSERT_EQ(2u, started.size());
        // A test made to fail ends by itself; the others run until ended.
        if (signal) {
            for (const pid_t pid : started)
                ASSERT_TRUE(within(std::chrono::seconds(10), [&] { return sleeping(pid); })) << pid;
            test.signal(signal);
        }
        ASSERT_TRUE(within(std::chrono::seconds(30), [&] { return !test.running(); }));
        for (const pid_t pid : started)
            EXPECT_TRUE(within(std::chrono::seconds(10), [&] { return !sleeping(pid); })) << pid << " was left running";
    }
}

}  // namespace
