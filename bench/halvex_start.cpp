// The renewal program's start: from starting `halvex` to home.htm loaded
// in its window (the "OnDocumentComplete() url ...home.htm" entry of its
// log), against a bare WebKitGTK view (bare_html_view) from its start to
// the same page loaded from a file, in the same run on a private Xvfb;
// then the time ratio.
//
//   halvex_start [benchmark options]
//
// The program starts as installed: the enrolment library and the signing
// component registered by the built regsvr32 in a platform root under
// $TMPDIR, the component's plug-in and signed configuration in the current
// folder, the log in $APPDATA. Each process is ended once its page is
// loaded; the time to end it is not counted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "testkit/platform_root.h"
#include "testkit/trusted_list.h"
#include "testkit/xvfb.h"
#include "times_reporter.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kIterations = 10;
constexpr auto kPageTimeout = std::chrono::seconds(60);

struct Folders {
    fs::path config;  // the program's current folder
    fs::path log;     // the program's log file
    fs::path output;  // the bare view's standard output
};

Folders& folders() {
    static Folders value;
    return value;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Starts a program in `cwd` with its standard output in `output` (its
// errors thrown away); its process id.
pid_t start(const std::vector<std::string>& arguments, const fs::path& cwd, const fs::path& output) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + arguments[0]);
    return pid;
}

// Ends a process (SIGTERM, SIGKILL after two seconds) and reaps it.
void end(pid_t pid) {
    kill(pid, SIGTERM);
    const auto until = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < until) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// A program to start and the line that tells its page is loaded: a line
// of `watched` that holds `marker` and then `page`.
struct Start {
    std::vector<std::string> arguments;
    fs::path output;  // its standard output
    fs::path watched;
    std::string marker;
    std::string page;
};

// Seconds from starting the program until its line comes; the process is
// ended afterwards. Throws when the program ends first or the line does
// not come within the timeout.
double secondsUntilLoaded(const Start& run) {
    const auto& [arguments, output, file, marker, page] = run;
    fs::remove(file);
    const auto begin = Clock::now();
    const pid_t pid = start(arguments, folders().config, output);
    std::optional<double> seconds;
    std::string why;
    while (!seconds) {
        const std::string text = contents(file);
        for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
            const auto lineEnd = text.find('\n', at);
            if (text.substr(at, lineEnd - at).find(page) != std::string::npos) {
                seconds = std::chrono::duration<double>(Clock::now() - begin).count();
                break;
            }
        }
        if (seconds) break;
        if (waitpid(pid, nullptr, WNOHANG) == pid) throw std::runtime_error(arguments[0] + " ended before its page");
        if (Clock::now() - begin > kPageTimeout) {
            end(pid);
            throw std::runtime_error(arguments[0] + " did not load its page in time");
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    end(pid);
    return *seconds;
}

void timeStarts(benchmark::State& state, const Start& run) {
    try {
        for (auto _ : state) state.SetIterationTime(secondsUntilLoaded(run));
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void halvexStart(benchmark::State& state) {
    timeStarts(state, {{HALVEX_PROGRAM}, "/dev/null", folders().log, "OnDocumentComplete() url ", "home.htm"});
}

void bareViewStart(benchmark::State& state) {
    timeStarts(state, {{BARE_HTML_VIEW, HALVEX_PAGES_DIR "/home.htm"}, folders().output, folders().output,
                       "load-finished", ""});
}

BENCHMARK(halvexStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kIterations);
BENCHMARK(bareViewStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kIterations);

// Runs a program to its end with its output thrown away; true on exit 0.
bool runs(const std::vector<std::string>& arguments) {
    const pid_t pid = start(arguments, fs::current_path(), "/dev/null");
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The enrolment library and the signing component registered, the signing
// component's plug-in and configuration in the program's current folder.
void install(const testkit::PlatformRoot& root) {
    setenv("PLATFORM_UI", "script", 1);
    for (const char* module : {TESK_PENTAK_MODULE, TESK_MIRELO_MODULE})
        if (!runs({TESK_REGSVR32, "/s", module})) throw std::runtime_error(std::string("cannot register ") + module);
    folders().config = root.path() / "config";
    folders().log = root.path() / "appdata" / "Tesk" / "halvex.log";
    folders().output = root.path() / "bare_html_view.out";
    const fs::path plugins = folders().config / "libs" / "dll_conf";
    fs::create_directories(plugins);
    fs::copy_file(TESK_TEXT_PLUGIN, plugins / "TeskTxtPluginKyd.so");
    testkit::writeFile(plugins / "mirelo.signed.cfg",
                       testkit::trusted_list::signedConfiguration(
                           "[Providers]\nProvidersCount=1\nProvider0Name=KavloCSP\n"));
    setenv("APPDATA", (root.path() / "appdata").c_str(), 1);
    setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR, 1);
    setenv("PLATFORM_UI", "gtk", 1);
    setenv("GDK_BACKEND", "x11", 1);
    setenv("GSK_RENDERER", "cairo", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    try {
        testkit::PlatformRoot root;
        install(root);
        testkit::Xvfb display;
        tesk_bench::TimesReporter times;
        benchmark::RunSpecifiedBenchmarks(&times);
        const double halvex = times["halvexStart"], bare = times["bareViewStart"];
        if (halvex > 0 && bare > 0)
            std::printf("\nStart to home.htm loaded, halvex / bare view: %.1f ms / %.1f ms = %.2f (goal: at most 1.50)\n",
                        halvex * 1000, bare * 1000, halvex / bare);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "halvex_start: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
