// testkit_renewal_env PROGRAM [ARGUMENT...]: runs the renewal program in a
// platform root of its own made ready for one renewal of a qualified
// certificate, with testkit's renewal and update servers reached under the
// production host names, then prints the request numbers the renewal
// server issued. The root and the servers go when the program has ended
// (TESTKIT_KEEP keeps the root).
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "environment.h"
#include "halvex/profile.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "testkit/qualified_renewal.h"
#include "testkit/update_server.h"
#include "update_step.h"

namespace {

namespace fs = std::filesystem;

// The host of an "https://host[:port]/path" address.
std::string hostOf(const std::string& address) {
    const auto start = address.find("://") + 3;
    return address.substr(start, address.find_first_of(":/", start) - start);
}

// Without a session bus (a bare X server, a terminal over ssh) GTK would
// look for one, and for the accessibility bus and the settings service
// on it, and say so on the terminal: the window needs none of them.
bool withoutSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    if ((address && *address) || (runtime && fs::exists(fs::path(runtime) / "bus", error))) return true;
    // GTK's and the page process's accessibility, and the settings service.
    return setenv("GTK_A11Y", "none", 1) == 0 && setenv("WEBKIT_A11Y_BUS_ADDRESS", "", 1) == 0 &&
           setenv("GSETTINGS_BACKEND", "memory", 1) == 0;
}

pid_t g_program = 0;

// An interrupt or a stop reaches the program; the servers stop once it ends.
void forwardToProgram(int signal) {
    if (g_program > 0) kill(g_program, signal);
}

// Runs the program in the configuration folder, its output the terminal's;
// its exit code (128 + the signal that ended it).
int runProgram(const std::vector<std::string>& command, const testkit::PlatformRoot& root, const fs::path& config) {
    const std::string appData = (root.path() / "appdata").string();
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("cannot start " + command[0]);
    if (pid == 0) {
        if (chdir(config.c_str()) == 0 && setenv("APPDATA", appData.c_str(), 1) == 0 &&
            setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR, 1) == 0 && withoutSessionBus())
            execvp(argv[0], argv.data());
        std::perror(argv[0]);
        _exit(127);
    }
    g_program = pid;
    std::signal(SIGINT, forwardToProgram);
    std::signal(SIGTERM, forwardToProgram);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    g_program = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int renew(std::vector<std::string> command) {
    // It runs in the configuration folder.
    if (command[0].find('/') != std::string::npos) command[0] = fs::absolute(command[0]).string();
    const testkit::PlatformRoot root;
    const fs::path config = root.path() / "config";
    testkit::installRenewalComponents({TESK_REGSVR32, TESK_PENTAK_MODULE, TESK_MIRELO_MODULE, TESK_TEXT_PLUGIN},
                                      config);
    testkit::registerComServer(TESK_REGSVR32, TESK_OSTRIM_MODULE);
    const std::string renewalHost =
        hostOf(platform::text::toUtf8(halvex::EnvironmentOf(halvex::kEnvironmentProduction).serverUrl));
    testkit::QualifiedRenewal renewal(root, config, renewalHost);
    // The program's own version: nothing to update.
    const testkit::UpdateServer updates(renewal.made, {HALVEX_VERSION, {}, {}},
                                        hostOf(halvex::UpdateServerAddress(halvex::kEnvironmentProduction)));
    updates.mapHost();

    std::printf("demo: renewal server %s and update server on this machine, platform root %s (%s); "
                "a saved request goes to %s unless another folder is chosen\n",
                renewal.server.url().c_str(), root.path().c_str(),
                std::getenv("TESTKIT_KEEP") ? "kept" : "removed at the end", platform::paths::personalFolder().c_str());
    std::fflush(stdout);
    const int exitCode = runProgram(command, root, config);
    const auto requests = renewal.server.requests();
    int numbers = 0;
    bool refused = false;
    for (const auto& request : requests) {
        if (request.verdict != "ok") {
            std::fprintf(stderr, "the renewal server refused a request: %s\n", request.verdict.c_str());
            refused = true;
        }
        for (const auto& [caType, number] : request.numbers) {
            std::printf("Request number (%s): %s\n", caType.c_str(), number.c_str());
            ++numbers;
        }
    }
    if (exitCode != 0) return exitCode;
    if (numbers == 0) std::fputs("no request number was issued\n", stderr);
    return numbers == 0 || refused ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: testkit_renewal_env PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    try {
        return renew(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "testkit_renewal_env: %s\n", e.what());
        return 1;
    }
}
