#include "testkit/process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <thread>

#include "process_keeper.h"
#include "testkit/platform_root.h"

extern char** environ;

namespace testkit {

namespace {

std::vector<std::string> environmentWith(const std::map<std::string, std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        const auto name = entry.substr(0, entry.find('='));
        if (!extra.count(name)) env.push_back(std::move(entry));
    }
    for (const auto& [k, v] : extra) env.push_back(k + "=" + v);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

int statusToExitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Spawns argv with the given standard descriptors; -1 keeps the parent's.
pid_t spawn(const std::vector<std::string>& argv, const RunOptions& options, int in, int out, int err) {
    if (argv.empty()) throw std::invalid_argument("empty argument vector");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, 0);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
    if (!options.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group, so that stopping it stops what it started.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    auto args = argv;
    auto marked = options.env;
    marked.insert_or_assign(kKeeperMarkName, keeperMark());
    auto env = environmentWith(marked);
    auto argp = pointers(args);
    auto envp = pointers(env);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0].c_str(), &actions, &attr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    return pid;
}

}  // namespace

RunResult run(const std::vector<std::string>& argv, const RunOptions& options) {
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe2(inPipe, O_CLOEXEC) || pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    RunResult result;
    pid_t pid;
    try {
        pid = spawn(argv, options, inPipe[0], outPipe[1], errPipe[1]);
    } catch (...) {
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        throw;
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    size_t written = 0;
    int inFd = inPipe[1];
    if (options.input.empty()) {
        close(inFd);
        inFd = -1;
    } else {
        fcntl(inFd, F_SETFL, O_NONBLOCK);
    }
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    bool outOpen = true, errOpen = true;
    signal(SIGPIPE, SIG_IGN);
    while (outOpen || errOpen) {
        pollfd fds[3];
        int n = 0;
        if (outOpen) fds[n++] = {outPipe[0], POLLIN, 0};
        if (errOpen) fds[n++] = {errPipe[0], POLLIN, 0};
        if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(-pid, SIGKILL);
            break;
        }
        if (poll(fds, n, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents) continue;
            if (fds[i].fd == inFd) {
                const ssize_t w = write(inFd, options.input.data() + written, options.input.size() - written);
                if (w > 0) written += static_cast<size_t>(w);
                if (w < 0 || written == options.input.size()) {
                    close(inFd);
                    inFd = -1;
                }
                continue;
            }
            char buf[65536];
            const ssize_t r = read(fds[i].fd, buf, sizeof buf);
            if (r <= 0) {
                if (fds[i].fd == outPipe[0]) outOpen = false;
                else errOpen = false;
                continue;
            }
            (fds[i].fd == outPipe[0] ? result.out : result.err).append(buf, static_cast<size_t>(r));
        }
    }
    if (inFd >= 0) close(inFd);
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = statusToExitCode(status);
    return result;
}

RunResult run(const std::vector<std::string>& argv, const std::filesystem::path& cwd) {
    RunOptions options;
    options.cwd = cwd;
    return run(argv, options);
}

Service::Service(std::vector<std::string> argv, const RunOptions& options) {
    char pattern[] = "/tmp/tesk-service-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    m_log = pattern;
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    try {
        m_pid = spawn(argv, options, devNull, fd, fd);
    } catch (...) {
        close(fd);
        close(devNull);
        throw;
    }
    close(fd);
    close(devNull);
}

Service::~Service() {
    stop();
    std::error_code ec;
    std::filesystem::remove(m_log, ec);
}

bool Service::running() {
    if (m_pid <= 0 || m_status) return false;
    int status = 0;
    const pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_status = status;
        return false;
    }
    return true;
}

void Service::signal(int sig) {
    if (running()) kill(m_pid, sig);
}

void Service::stop() {
    if (!running()) return;
    kill(-m_pid, SIGTERM);
    for (int i = 0; i < 200 && running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (running()) {
        kill(-m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_status = status;
    }
}

std::string Service::log() const {
    try {
        return readFile(m_log);
    } catch (...) {
        return {};
    }
}

bool waitForPort(std::uint16_t port, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        close(s);
        if (ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::uint16_t freePort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(s);
        throw std::runtime_error("bind failed");
    }
    socklen_t len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    close(s);
    return ntohs(addr.sin_port);
}

std::optional<std::filesystem::path> findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? std::optional<std::filesystem::path>(name) : std::nullopt;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty()) {
            const auto candidate = std::filesystem::path(dir) / name;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return std::nullopt;
}

std::filesystem::path artifactsDir() {
    const char* dir = std::getenv("TESTKIT_ARTIFACTS");
    std::filesystem::path p = dir && *dir ? dir : "artifacts";
    std::filesystem::create_directories(p);
    return std::filesystem::absolute(p);
}

bool inCi() {
    const char* ci = std::getenv("CI");
    return ci && *ci && std::string(ci) != "0" && std::string(ci) != "false";
}

std::string runAsAnyUser(const std::function<std::string()>& step) {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        ::syscall(SYS_capset, &header, data);
        const std::string said = step();
        const bool written = ::write(out[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(out[1]);
    std::string said;
    char buffer[256];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<std::size_t>(got));
    ::close(out[0]);
    int status = -1;
    ::waitpid(child, &status, 0);
    return status == 0 ? said : "child failed";
}

}  // namespace testkit
