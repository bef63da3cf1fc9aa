#include "process_keeper.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string_view>

namespace testkit {

namespace {

constexpr std::size_t kTokenLength = 32;
constexpr int kConnectionFd = 3;
// A killed process can still show its environment for a moment; the
// sweeps go on until one finds no marked process, 10 ms apart, for five
// seconds at most.
constexpr int kSweeps = 500;

// The keeper's life after fork, in a process that had threads: only calls
// that are safe there (open, read, getdents64, the pidfd calls, nanosleep, _exit)
// and no allocation.

pid_t pidNamed(const char* name) {
    pid_t pid = 0;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9' || pid > 99999999) return 0;
        pid = pid * 10 + (*name - '0');
    }
    return pid;
}

// Whether the environment of the process numbered name holds the token:
// read in pieces, each searched together with the end of the one before.
bool carries(int proc, const char* name, std::string_view token) {
    char path[32];
    const std::size_t length = std::strlen(name);
    if (length + sizeof "/environ" > sizeof path) return false;
    std::memcpy(path, name, length);
    std::memcpy(path + length, "/environ", sizeof "/environ");
    const int environment = openat(proc, path, O_RDONLY | O_CLOEXEC);
    if (environment < 0) return false;
    char buffer[kTokenLength - 1 + 4096];
    std::size_t kept = 0;
    bool found = false;
    for (ssize_t got; !found && (got = read(environment, buffer + kept, sizeof buffer - kept)) > 0;) {
        const std::size_t filled = kept + static_cast<std::size_t>(got);
        found = std::string_view(buffer, filled).find(token) != std::string_view::npos;
        kept = std::min(filled, kTokenLength - 1);
        std::memmove(buffer, buffer + filled - kept, kept);
    }
    close(environment);
    return found;
}

// Kills every process that carries the token; whether there was one.
bool killMarked(std::string_view token) {
    const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0) return false;
    bool found = false;
    alignas(dirent64) char entries[16384];
    for (ssize_t got; (got = getdents64(proc, entries, sizeof entries)) > 0;) {
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            const pid_t pid = pidNamed(entry->d_name);
            if (pid <= 0 || !carries(proc, entry->d_name, token)) continue;
            // The number may have gone to another process meanwhile: the
            // process the pidfd holds is asked again before it is killed.
            const int held = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
            if (held < 0) continue;
            if (carries(proc, entry->d_name, token) && syscall(SYS_pidfd_send_signal, held, SIGKILL, nullptr, 0) == 0)
                found = true;
            close(held);
        }
    }
    close(proc);
    return found;
}

[[noreturn]] void keep(int fromTest, std::string_view token) {
    for (char nothing;;) {
        const ssize_t got = read(fromTest, &nothing, 1);
        if (got == 0 || (got < 0 && errno != EINTR)) break;
    }
    const timespec pause{0, 10'000'000};
    for (int sweep = 0; sweep < kSweeps && killMarked(token); ++sweep) nanosleep(&pause, nullptr);
    _exit(0);
}

std::string randomToken() {
    std::random_device random;
    std::string token;
    while (token.size() < kTokenLength) {
        const unsigned bits = random();
        for (int nibble = 0; nibble < 8; ++nibble) token += "0123456789abcdef"[(bits >> (4 * nibble)) & 15];
    }
    token.resize(kTokenLength);
    return token;
}

// Starts the keeper of the token, unless it cannot be started. The test
// keeps the writing end of a pipe, writes nothing and never closes it: the
// keeper reads the end of the file once this process is gone.
void startKeeper(const std::string& token) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    const pid_t middle = fork();
    if (middle == 0) {
        // A session of its own, deaf to the interrupts meant for the test,
        // and a parent that ends at once, so that the keeper is no longer
        // in the test's tree of processes; nothing of the test's open but
        // the connection: a pipe's writing end kept here would keep that
        // pipe's reader waiting.
        setsid();
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        for (const int interrupt : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) sigaction(interrupt, &ignore, nullptr);
        if (fork() != 0) _exit(0);
        const int reading = fcntl(ends[0], F_DUPFD, 10);
        const int devNull = open("/dev/null", O_RDWR);
        for (int standard = 0; standard < 3; ++standard) dup2(devNull, standard);
        dup2(reading, kConnectionFd);
        if (close_range(kConnectionFd + 1, ~0U, 0) != 0)
            for (int fd = kConnectionFd + 1; fd < 65536; ++fd) close(fd);
        keep(kConnectionFd, token);
    }
    close(ends[0]);
    if (middle < 0) {
        close(ends[1]);
        return;
    }
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

const std::string& keeperMark() {
    static const std::string mark = [] {
        const std::string token = randomToken();
        startKeeper(token);
        const char* above = std::getenv(kKeeperMarkName);
        return above && *above ? std::string(above) + ":" + token : token;
    }();
    return mark;
}

}  // namespace testkit
