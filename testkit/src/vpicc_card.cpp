// A virtual card: our own client of the vpcd driver's protocol.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "testkit/card_reader.h"
#include "vpicc_reader_state.h"

namespace testkit {

namespace {

// Control codes are 0 power off, 1 power on, 2 reset and 4 "send the ATR";
// only the last wants an answer.
constexpr std::uint8_t kSendAtr = 4;

bool readAll(int fd, std::uint8_t* p, std::size_t n) {
    while (n) {
        const ssize_t r = recv(fd, p, n, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

bool sendMessage(int fd, const Bytes& payload) {
    Bytes message{static_cast<std::uint8_t>(payload.size() >> 8), static_cast<std::uint8_t>(payload.size())};
    message.insert(message.end(), payload.begin(), payload.end());
    std::size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t w = send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        sent += static_cast<std::size_t>(w);
    }
    return true;
}

// The reader's port accepts once pcscd has loaded the driver; retried until then.
int connectTo(std::uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + CardReaders::kTimeout;
    for (;;) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) throw std::runtime_error("socket failed");
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
        close(fd);
        if (std::chrono::steady_clock::now() >= deadline)
            throw std::runtime_error("no virtual reader on port " + std::to_string(port));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

VirtualCard::VirtualCard(std::string readerName, std::uint16_t port, Bytes atr, ApduResponder responder)
    : m_reader(std::move(readerName)),
      m_atr(std::move(atr)),
      m_responder(responder ? std::move(responder) : [](const Bytes&) { return Bytes{0x6A, 0x82}; }),
      m_socket(connectTo(port)),
      m_thread([this] { serve(); }) {
    if (!waitForCard(m_reader, true, m_atr, CardReaders::kTimeout)) {
        try {
            remove();
        } catch (...) {
            // the error below says more
        }
        throw std::runtime_error("pcscd did not report the card in " + m_reader);
    }
}

VirtualCard::~VirtualCard() {
    try {
        remove();
    } catch (...) {
        // a destructor reports nothing; the next test starts a fresh pcscd
    }
}

void VirtualCard::remove() {
    if (m_socket < 0) return;
    shutdown(m_socket, SHUT_RDWR);  // wakes serve(), which then ends
    if (m_thread.joinable()) m_thread.join();
    close(m_socket);
    m_socket = -1;
    // Nothing to wait for when pcscd has gone: no reader reports anything.
    if (readerStatus(m_reader) && !waitForCard(m_reader, false, {}, CardReaders::kTimeout))
        throw std::runtime_error("pcscd still reports a card in " + m_reader);
}

std::vector<Bytes> VirtualCard::apdus() const {
    std::lock_guard lock(m_mutex);
    return m_apdus;
}

void VirtualCard::serve() {
    for (;;) {
        std::uint8_t header[2];
        if (!readAll(m_socket, header, 2)) return;
        Bytes payload((static_cast<std::size_t>(header[0]) << 8) | header[1]);
        if (!readAll(m_socket, payload.data(), payload.size())) return;
        if (payload.size() == 1) {
            // Power and reset leave the card's ATR as it is.
            if (payload[0] == kSendAtr && !sendMessage(m_socket, m_atr)) return;
            continue;
        }
        {
            std::lock_guard lock(m_mutex);
            m_apdus.push_back(payload);
        }
        if (!sendMessage(m_socket, m_responder(payload))) return;
    }
}

}  // namespace testkit
