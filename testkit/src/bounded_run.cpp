#include "testkit/bounded_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

namespace testkit {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The process's address-space size and resident set, in KiB.
std::pair<long, long> OwnSizesKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    const long pageKiB = sysconf(_SC_PAGESIZE) / 1024;
    return {size * pageKiB, resident * pageKiB};
}

}  // namespace

BoundedRun RunBounded(const std::function<int()>& work, long limitMiB, unsigned seconds) {
    const auto [sizeKiB, residentKiB] = OwnSizesKiB();
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (!kAddressSanitizer) {
            const rlim_t cap = static_cast<rlim_t>(sizeKiB + limitMiB * 1024) * 1024;
            const rlimit limit{cap, cap};
            setrlimit(RLIMIT_AS, &limit);
        }
        int code = 125;
        try {
            code = work();
        } catch (...) {
        }
        _exit(code);
    }
    BoundedRun run;
    if (child < 0) return run;
    int status = 0;
    rusage usage{};
    const auto deadline = start + std::chrono::seconds(seconds);
    pid_t done = 0;
    while ((done = wait4(child, &status, WNOHANG, &usage)) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(child, SIGKILL);
            done = wait4(child, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (done != child) return run;
    run.exited = WIFEXITED(status);
    run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
    run.peakGrowthMiB = (usage.ru_maxrss - residentKiB) / 1024;
    return run;
}

::testing::AssertionResult RefusedQuickly(const BoundedRun& run) {
    if (run.exited && run.exitCode == 0 && run.peakGrowthMiB < 32 && run.seconds < 5.0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (run.exited ? "exited with " + std::to_string(run.exitCode) : "killed")
                                         << " after " << run.seconds << " s, " << run.peakGrowthMiB << " MiB more";
}

std::vector<HostileMarkup> HostileMarkups(const std::string& root) {
    std::string laughs = "<!DOCTYPE " + root + " [\n<!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        laughs += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i) laughs += "&lol" + std::to_string(level - 1) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n";
    const std::string quadratic = "<!DOCTYPE " + root + " [\n<!ENTITY big \"" + std::string(300 * 1024, 'a') + "\">\n]>\n";
    std::string references;
    for (int i = 0; i < 100000; ++i) references += "&big;";
    const char* const entities = "Entity declarations are not accepted";

    // Names of three letters, 140,608 of them.
    const auto name = [](int i) {
        static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        return std::string{letters[i % 52], letters[i / 52 % 52], letters[i / 2704 % 52]};
    };
    std::string attributes = "<x";
    for (int i = 0; i < 140000; ++i) attributes += " " + name(i) + "=''";
    attributes += "/>";

    // 200 open elements declaring 200 prefixes each, then elements and
    // attributes named with the outermost prefix.
    std::string namespaces;
    for (int level = 0; level < 200; ++level) {
        namespaces += "<n";
        for (int i = 0; i < 200; ++i) namespaces += " xmlns:" + name(level * 200 + i) + "='u'";
        namespaces += ">";
    }
    const std::string outermost = name(0);
    while (namespaces.size() < 900 * 1024) namespaces += "<" + outermost + ":e " + outermost + ":a=''/>";
    for (int level = 0; level < 200; ++level) namespaces += "</n>";

    return {{"billion laughs", laughs, "&lol9;", entities},
            {"quadratic", quadratic, references, entities},
            {"attributes", "<!-- 140,000 attributes on one element -->\n", attributes,
             "Too many attributes on one element"},
            {"namespaces", "<!-- 40,000 namespaces in scope -->\n", namespaces,
             "Too many namespace declarations in scope"}};
}

}  // namespace testkit
