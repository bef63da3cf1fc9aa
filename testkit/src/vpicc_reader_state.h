// Waiting for pcscd to report a reader's state, through the layer's SCard*
// calls (the virtual readers' state is only known to pcscd).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testkit {

struct ReaderStatus {
    bool present = false;
    std::vector<std::uint8_t> atr;
};

// The reader's state now; nullopt when pcscd does not answer or does not
// know the reader.
std::optional<ReaderStatus> readerStatus(const std::string& reader);
// The reader names pcscd lists (empty when it lists none); nullopt when it
// does not answer.
std::optional<std::vector<std::string>> listedReaders();

// Polls until the reader shows a card with that ATR (wantPresent) or no card;
// false after the time-out.
bool waitForCard(const std::string& reader, bool wantPresent, const std::vector<std::uint8_t>& atr,
                 std::chrono::milliseconds timeout);

}  // namespace testkit
