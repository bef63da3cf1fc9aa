#include "process_keeper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <mutex>

namespace testkit {

namespace {

constexpr std::size_t kMaxGroups = 4096;
constexpr int kSweepMs = 1000;
constexpr int kConnectionFd = 3;

bool gone(pid_t group) { return kill(-group, 0) != 0 && errno == ESRCH; }

// The keeper's life after fork, in a process that had threads: only calls
// that are safe there (poll, read, kill, _exit).
[[noreturn]] void keep(int fromTest) {
    static pid_t groups[kMaxGroups];
    std::size_t count = 0;
    for (;;) {
        pollfd waiting{fromTest, POLLIN, 0};
        if (poll(&waiting, 1, kSweepMs) > 0) {
            pid_t group = 0;
            const ssize_t got = read(fromTest, &group, sizeof group);
            if (got == 0 || (got < 0 && errno != EINTR)) break;
            if (got == sizeof group && count < kMaxGroups) groups[count++] = group;
        }
        for (std::size_t i = 0; i < count;) {
            if (gone(groups[i]))
                groups[i] = groups[--count];
            else
                ++i;
        }
    }
    for (std::size_t i = 0; i < count; ++i) kill(-groups[i], SIGKILL);
    _exit(0);
}

// This process's end of the keeper's connection; -1 when no keeper could
// be started. A socket, not a pipe, so that a keeper gone (killed by hand)
// costs a failed send, not this process's life by SIGPIPE.
int startKeeper() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return -1;
    const pid_t keeper = fork();
    if (keeper == 0) {
        // A group of its own, deaf to the interrupts meant for the test, and
        // nothing of the test's open but the connection: a pipe's writing
        // end kept here would keep that pipe's reader waiting.
        setpgid(0, 0);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        for (const int interrupt : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) sigaction(interrupt, &ignore, nullptr);
        const int reading = fcntl(ends[0], F_DUPFD, 10);
        const int nothing = open("/dev/null", O_RDWR);
        for (int standard = 0; standard < 3; ++standard) dup2(nothing, standard);
        dup2(reading, kConnectionFd);
        if (close_range(kConnectionFd + 1, ~0U, 0) != 0)
            for (int fd = kConnectionFd + 1; fd < 65536; ++fd) close(fd);
        keep(kConnectionFd);
    }
    close(ends[0]);
    if (keeper < 0) {
        close(ends[1]);
        return -1;
    }
    return ends[1];
}

}  // namespace

void keepGroup(pid_t group) noexcept {
    static std::mutex mutex;
    static const int toKeeper = startKeeper();
    const std::lock_guard lock(mutex);
    if (toKeeper >= 0) (void)!send(toKeeper, &group, sizeof group, MSG_NOSIGNAL);
}

}  // namespace testkit
