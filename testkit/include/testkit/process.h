// Running peers and starting local services from tests.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testkit {

struct RunResult {
    int exitCode = -1;  // the exit status, or 128 + signal
    std::string out;
    std::string err;
};

struct RunOptions {
    std::filesystem::path cwd;
    std::string input;                          // fed to standard input
    std::map<std::string, std::string> env;     // added to the environment
    std::chrono::milliseconds timeout{120000};  // killed after this
};

// Runs a program (looked up on PATH) with an argument vector, no shell.
RunResult run(const std::vector<std::string>& argv, const RunOptions& options = {});
RunResult run(const std::vector<std::string>& argv, const std::filesystem::path& cwd);

// A background process for the length of a test. Stopped (SIGTERM, then
// SIGKILL after two seconds) by stop() or the destructor. Its output goes to
// a log file whose tail is printed when it dies early.
class Service {
public:
    Service(std::vector<std::string> argv, const RunOptions& options = {});
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    pid_t pid() const noexcept { return m_pid; }
    bool running();
    void stop();
    // Sends a signal without waiting.
    void signal(int sig);
    const std::filesystem::path& logFile() const noexcept { return m_log; }
    std::string log() const;

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::filesystem::path m_log;
};

// Runs the step in a forked child that obeys file modes as any user does
// (root's capabilities to pass over them dropped) and returns the text it
// gave, or "child failed".
std::string runAsAnyUser(const std::function<std::string()>& step);

// True once something accepts TCP connections on 127.0.0.1:port.
bool waitForPort(std::uint16_t port, std::chrono::milliseconds timeout);
// A TCP port on 127.0.0.1 that was free a moment ago.
std::uint16_t freePort();
// The absolute path of a program on PATH, if any.
std::optional<std::filesystem::path> findProgram(const std::string& name);
// Folder for files a test leaves for people to look at (screenshots):
// $TESTKIT_ARTIFACTS, else "artifacts" in the current folder.
std::filesystem::path artifactsDir();
// True when running in CI (the CI variable is set), where a missing peer
// is a failure rather than a skip.
bool inCi();

}  // namespace testkit

// Skips the test (outside CI) or fails it (in CI) when a program is missing.
#define TESTKIT_REQUIRE_PROGRAM(name)                                                  \
    do {                                                                               \
        if (!::testkit::findProgram(name)) {                                           \
            if (::testkit::inCi()) {                                                   \
                FAIL() << "required program missing: " << (name);                      \
            }                                                                          \
            GTEST_SKIP() << "required program missing: " << (name);                    \
        }                                                                              \
    } while (0)
