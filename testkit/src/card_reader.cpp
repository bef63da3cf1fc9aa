// A pcscd of the test's own with the vpcd readers, isolated from any other.
#include "testkit/card_reader.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "testkit/platform_root.h"
#include "vpicc_reader_state.h"

namespace testkit {

namespace {

constexpr char kVpcdDriver[] = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so";

// Short enough for a socket address whatever TMPDIR is.
constexpr char kFolderPrefix[] = "tesk-pcscd-";
std::filesystem::path processFolder() { return std::string("/tmp/") + kFolderPrefix + std::to_string(getpid()); }

// A test process that crashed leaves its folder behind (its pcscd dies with
// it); the next one clears those of processes that are gone.
void removeFoldersOfDeadProcesses() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/tmp", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kFolderPrefix, 0) != 0) continue;
        const pid_t pid = static_cast<pid_t>(std::atol(name.c_str() + sizeof kFolderPrefix - 1));
        if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) std::filesystem::remove_all(entry.path(), ec);
    }
}

bool portFree(std::uint16_t port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool ok = bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(s);
    return ok;
}

// vpcd puts reader n on the base port + n.
std::uint16_t freePortPair() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        const std::uint16_t port = freePort();
        if (port < 65535 && portFree(port) && portFree(static_cast<std::uint16_t>(port + 1))) return port;
    }
    throw std::runtime_error("no two free consecutive ports");
}

// The reader configuration folder pcscd reads instead of /etc/reader.conf.d.
void writeReaderConfig(const std::filesystem::path& folder, CardReaders::Readers readers, std::uint16_t port) {
    std::filesystem::create_directories(folder);
    if (readers == CardReaders::Readers::None) return;
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", port);
    writeFile(folder / "vpcd", std::string("FRIENDLYNAME \"Virtual PCD\"\nDEVICENAME /dev/null:") + hex +
                                   "\nLIBPATH " + kVpcdDriver + "\nCHANNELID " + hex + "\n");
}

// A listening socket at path, left open across exec for pcscd to inherit.
int listenAt(const std::filesystem::path& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof addr.sun_path) throw std::runtime_error("socket path too long");
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    std::filesystem::remove(path);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 64) != 0) {
        close(fd);
        throw std::runtime_error("cannot listen at " + path.string());
    }
    return fd;
}

// pcscd takes an inherited listener as systemd hands one over: descriptor 3,
// LISTEN_FDS=1 and LISTEN_PID its own process id, which only a shell that
// then becomes pcscd knows. setpriv makes the kernel kill pcscd should the
// test die without its destructors.
std::string pcscdCommand(int listener, const std::filesystem::path& config) {
    std::string moveTo3 = listener == 3 ? "" : "exec 3<&" + std::to_string(listener) + " " +
                                                   std::to_string(listener) + "<&-; ";
    return moveTo3 + "export LISTEN_PID=$$; exec setpriv --pdeathsig KILL pcscd --foreground --config '" +
           config.string() + "'";
}

bool readersAsExpected(CardReaders::Readers readers) {
    const auto names = listedReaders();
    if (!names) return false;
    if (readers == CardReaders::Readers::None) return names->empty();
    return *names == std::vector<std::string>{CardReaders::readerName(0), CardReaders::readerName(1)};
}

}  // namespace

CardReaders::CardReaders(Readers readers) : m_folder(processFolder()), m_basePort(freePortPair()) {
    removeFoldersOfDeadProcesses();
    const auto socketPath = m_folder / "pcscd.comm";
    setenv("PCSCLITE_CSOCK_NAME", socketPath.c_str(), 1);
    writeReaderConfig(m_folder / "reader.conf.d", readers, m_basePort);
    const int listener = listenAt(socketPath);
    RunOptions options;
    options.env["LISTEN_FDS"] = "1";
    try {
        m_pcscd = std::make_unique<Service>(
            std::vector<std::string>{"/bin/bash", "-c", pcscdCommand(listener, m_folder / "reader.conf.d")}, options);
    } catch (...) {
        close(listener);
        throw;
    }
    close(listener);
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
    while (!readersAsExpected(readers)) {
        if (!m_pcscd->running() || std::chrono::steady_clock::now() >= deadline)
            throw std::runtime_error("pcscd did not come up with its readers:\n" + log());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

CardReaders::~CardReaders() {
    stop();
    std::error_code ec;
    std::filesystem::remove_all(m_folder, ec);
}

std::string CardReaders::readerName(int reader) { return "Virtual PCD 00 0" + std::to_string(reader); }

std::unique_ptr<VirtualCard> CardReaders::insert(int reader, Bytes atr, ApduResponder responder) {
    if (reader < 0 || reader >= kReaderCount) throw std::invalid_argument("no such virtual reader");
    return std::make_unique<VirtualCard>(readerName(reader), static_cast<std::uint16_t>(m_basePort + reader),
                                         std::move(atr), std::move(responder));
}

void CardReaders::stop() {
    if (m_pcscd) m_pcscd->stop();
}

std::string CardReaders::log() const { return m_pcscd ? m_pcscd->log() : std::string(); }

}  // namespace testkit
