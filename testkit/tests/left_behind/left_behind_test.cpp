// A test that has what it started still running when it ends, as a test
// that fails, runs out of time or is interrupted has: a service, a program
// it waits for on another thread, and a program detached into a session of
// its own by a program that has ended (as the updater is started). Once
// all run it writes their process ids to the file TESTKIT_LEFT_PIDS; then
// it fails at once
// (TESTKIT_LEFT_END=fail) or waits until it is ended from outside.
// Not a test of the suite: testkit_tests runs it and looks at what is left.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace {

namespace fs = std::filesystem;

TEST(LeftBehind, AServiceAndProgramsStillRunning) {
    const char* pids = std::getenv("TESTKIT_LEFT_PIDS");
    const char* end = std::getenv("TESTKIT_LEFT_END");
    ASSERT_TRUE(pids && end);
    const fs::path program = fs::path(pids).parent_path() / "program";
    const testkit::Service service({"sleep", "2999"});
    std::thread([program] {
        testkit::RunOptions options;
        options.timeout = std::chrono::minutes(10);
        testkit::run({"sh", "-c", "echo $$ > '" + program.string() + ".new'; mv '" + program.string() + ".new' '" +
                                      program.string() + "'; exec sleep 2999"},
                     options);
    }).detach();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(program) && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(program));
    const auto detached = testkit::run({"sh", "-c", "setsid sleep 2999 </dev/null >/dev/null 2>&1 & echo $!"});
    ASSERT_EQ(0, detached.exitCode) << detached.err;
    testkit::writeFile(std::string(pids) + ".new",
                       std::to_string(service.pid()) + " " + testkit::readFile(program) + " " + detached.out);
    fs::rename(std::string(pids) + ".new", pids);
    if (std::string(end) == "fail") FAIL() << "made to fail with its processes running";
    for (;;) pause();
}

}  // namespace
