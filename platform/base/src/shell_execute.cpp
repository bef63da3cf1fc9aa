// ShellExecute's "open": the desktop's opener (xdg-open, or the program
// named by PLATFORM_OPEN_COMMAND) is started with posix_spawn and the file
// as one argument of its own, never through a shell. The path is made
// absolute first, so that a name beginning with "-" cannot pass for an
// option of the opener.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"
#include "win32/error.h"
#include "win32/shell.h"

extern char** environ;

namespace platform::shell {

namespace {

namespace fs = std::filesystem;

// The result above 32 that Windows gives for a started program.
constexpr int kStarted = 42;
// An opener still running after this long has started the program: some
// openers run it in the foreground until it ends, and ShellExecute must not
// wait for that.
constexpr auto kStartGrace = std::chrono::seconds(3);
constexpr std::size_t kStderrLimit = 64 * 1024;

// xdg-open's exit codes (its manual): 1 bad arguments, 2 file missing,
// 3 a required tool missing, 4 the action failed.
enum OpenerExit { kOpenerFileMissing = 2, kOpenerToolMissing = 3, kOpenerActionFailed = 4 };

struct Outcome {
    int result;
    DWORD lastError;
};

constexpr Outcome kNoAssociation{SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION};
constexpr Outcome kFileNotFound{SE_ERR_FNF, ERROR_FILE_NOT_FOUND};
constexpr Outcome kFailed{SE_ERR_DDEFAIL, ERROR_OPEN_FAILED};

// Openers left running past the grace period; reaped on later calls so
// that they do not stay as zombies.
std::mutex g_runningMutex;
std::vector<pid_t> g_running;

void reapFinishedOpeners() {
    std::lock_guard lock(g_runningMutex);
    std::erase_if(g_running, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

std::string openerProgram() {
    const char* program = std::getenv("PLATFORM_OPEN_COMMAND");
    return program && *program ? program : "xdg-open";
}

// When the action failed, the openers under xdg-open say in words whether
// no application handles the file; that is an association problem.
bool saysNoHandler(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* phrase : {"no application", "not registered", "no method available", "default application",
                               "no handler"})
        if (text.find(phrase) != std::string::npos) return true;
    return false;
}

Outcome outcomeOfExit(int status, const std::string& stderrText) {
    if (!WIFEXITED(status)) return kFailed;
    switch (WEXITSTATUS(status)) {
    case 0: return {kStarted, ERROR_SUCCESS};
    case kOpenerFileMissing: return kFileNotFound;
    case kOpenerToolMissing: return kNoAssociation;
    case kOpenerActionFailed: return saysNoHandler(stderrText) ? kNoAssociation : kFailed;
    default: return kFailed;
    }
}

Outcome outcomeOfSpawnError(int err) {
    switch (err) {
    case ENOENT:
    case EACCES:
    case ENOEXEC: return kNoAssociation;
    case ENOMEM:
    case EAGAIN: return {SE_ERR_OOM, ERROR_NOT_ENOUGH_MEMORY};
    default: return kFailed;
    }
}

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    off_t offset = 0;
    while (text.size() < kStderrLimit) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, offset);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
    return text;
}

// The exit status, or nothing when the opener is still running after the grace period.
std::optional<int> waitForOpener(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kStartGrace;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return status;
        // Reaped elsewhere (SIGCHLD ignored): -1 reads as no clean exit.
        if (done < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Owns the spawn descriptions for the length of one start.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

Outcome runOpener(const fs::path& file, const std::optional<fs::path>& directory) {
    const int errors = memfd_create("opener-stderr", MFD_CLOEXEC);
    if (errors < 0) return outcomeOfSpawnError(errno);
    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, errors, 2);
    if (directory) posix_spawn_file_actions_addchdir_np(&setup.actions, directory->c_str());
    // The opener starts with default signal handling and nothing blocked,
    // whatever the calling program has set for itself.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string program = openerProgram();
    std::string argument = file.string();
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, program.c_str(), &setup.actions, &setup.attributes, argv, environ);
    if (spawned != 0) {
        close(errors);
        return outcomeOfSpawnError(spawned);
    }
    const auto status = waitForOpener(pid);
    Outcome outcome{kStarted, ERROR_SUCCESS};
    if (status) {
        outcome = outcomeOfExit(*status, readAll(errors));
    } else {
        std::lock_guard lock(g_runningMutex);
        g_running.push_back(pid);
    }
    close(errors);
    return outcome;
}

Outcome open(std::optional<std::u16string> verb, std::optional<fs::path> file, std::optional<fs::path> directory) {
    reapFinishedOpeners();
    if (verb && !verb->empty() && !text::equalsNoCase(*verb, u"open")) return kNoAssociation;
    if (!file || file->empty()) return kFileNotFound;
    if (directory && directory->empty()) directory.reset();
    std::error_code ec;
    if (directory && !fs::is_directory(*directory, ec)) return {SE_ERR_PNF, ERROR_PATH_NOT_FOUND};
    const fs::path base = directory ? fs::absolute(*directory, ec) : fs::current_path(ec);
    const fs::path target = file->is_absolute() ? *file : base / *file;
    if (!fs::exists(fs::status(target, ec))) {
        if (ec == std::errc::permission_denied) return {SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED};
        return kFileNotFound;
    }
    return runOpener(target, directory);
}

template <class Char, class ToPath>
HINSTANCE shellExecute(const Char* operation, const Char* file, const Char* directory, ToPath toPath) {
    Outcome outcome;
    try {
        std::optional<std::u16string> verb;
        if (operation) {
            if constexpr (sizeof(Char) == 1)
                verb = text::toWide(operation, CP_ACP);
            else
                verb = std::u16string(operation);
        }
        auto pathOf = [&](const Char* p) { return p ? std::optional<fs::path>(toPath(p)) : std::nullopt; };
        outcome = open(std::move(verb), pathOf(file), pathOf(directory));
    } catch (const std::bad_alloc&) {
        outcome = {SE_ERR_OOM, ERROR_NOT_ENOUGH_MEMORY};
    } catch (...) {
        outcome = kFailed;
    }
    if (outcome.result <= 32) SetLastError(outcome.lastError);
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(outcome.result));
}

}  // namespace

}  // namespace platform::shell

// The parameters and the show command do not apply: the opener takes the
// one file, and the program it starts decides how it shows itself.
HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR, LPCSTR lpDirectory, INT) noexcept {
    return platform::shell::shellExecute(lpOperation, lpFile, lpDirectory,
                                         [](LPCSTR p) { return platform::paths::fromWindowsAnsi(p); });
}

HINSTANCE ShellExecuteW(HWND, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR, LPCWSTR lpDirectory, INT) noexcept {
    return platform::shell::shellExecute(lpOperation, lpFile, lpDirectory,
                                         [](LPCWSTR p) { return platform::paths::fromWindows(p); });
}
