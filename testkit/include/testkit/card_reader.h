// Card readers for a test: a pcscd of the test's own, run in the foreground
// with the vpcd driver's two readers "Virtual PCD 00 00" and "Virtual PCD
// 00 01" (or none), and virtual cards put into them. The daemon listens on a
// socket of this process's own (handed to it as a socket-activated
// listener; clients find it through PCSCLITE_CSOCK_NAME) and its readers
// wait on free ports, so it never meets a system pcscd or another test's.
// One CardReaders at a time per process.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "testkit/process.h"

namespace testkit {

using Bytes = std::vector<std::uint8_t>;
// Answers one APDU sent to a virtual card (data and status word).
using ApduResponder = std::function<Bytes(const Bytes& apdu)>;

// A card in a vpcd reader: our own client of the vpcd protocol (2-byte
// big-endian length, then the payload; a 1-byte payload is a control code:
// 0 power off, 1 power on, 2 reset, 4 "send the ATR"; longer ones are APDUs).
// Connecting inserts it; remove() or the destructor closes the socket,
// which takes it out.
class VirtualCard {
public:
    VirtualCard(std::string readerName, std::uint16_t port, Bytes atr, ApduResponder responder);
    ~VirtualCard();
    VirtualCard(const VirtualCard&) = delete;
    VirtualCard& operator=(const VirtualCard&) = delete;

    const Bytes& atr() const noexcept { return m_atr; }
    // Takes the card out and waits until pcscd no longer reports it (unless
    // pcscd has been stopped meanwhile).
    void remove();
    // The APDUs the card has been sent, in order.
    std::vector<Bytes> apdus() const;

private:
    void serve();

    std::string m_reader;
    Bytes m_atr;
    ApduResponder m_responder;
    mutable std::mutex m_mutex;
    std::vector<Bytes> m_apdus;
    int m_socket = -1;
    std::thread m_thread;  // last: it starts serving once everything else is there
};

class CardReaders {
public:
    enum class Readers { TwoVirtual, None };
    static constexpr int kReaderCount = 2;
    static constexpr std::chrono::milliseconds kTimeout{5000};

    // Starts pcscd and waits until it lists its readers.
    explicit CardReaders(Readers readers = Readers::TwoVirtual);
    ~CardReaders();
    CardReaders(const CardReaders&) = delete;
    CardReaders& operator=(const CardReaders&) = delete;

    // "Virtual PCD 00 00" for reader 0, "Virtual PCD 00 01" for reader 1.
    static std::string readerName(int reader);
    // Inserts a card into reader 0 or 1 and waits until pcscd reports it
    // with that ATR (at most 33 bytes, pcsc-lite's limit). An APDU is
    // answered by the responder, or with 6A82 (file not found) without one.
    std::unique_ptr<VirtualCard> insert(int reader, Bytes atr, ApduResponder responder = {});
    // Stops pcscd: from then on clients get SCARD_E_NO_SERVICE.
    void stop();
    std::string log() const;

private:
    std::filesystem::path m_folder;
    std::uint16_t m_basePort = 0;
    std::unique_ptr<Service> m_pcscd;
};

}  // namespace testkit
