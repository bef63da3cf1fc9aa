// ATRs as the card database compares them.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "win32/types.h"

namespace platform::scard {

// The longest ATR ISO/IEC 7816-3 allows.
inline constexpr std::size_t kMaxAtrLength = 33;

// The length of the ATR at atr, found from its own structure (T0, the TDi
// chain, the historical bytes and TCK), as WinSCard finds the length of an
// ATR given without one. Reads no byte beyond that length; nullopt when the
// structure claims more than 33 bytes.
std::optional<std::size_t> measureAtr(const BYTE* atr) noexcept;

// A database entry matches a card when both ATRs have the same length and
// agree on every bit the entry's mask keeps. An entry whose mask has another
// length than its ATR matches nothing.
bool atrMatches(std::span<const BYTE> entryAtr, std::span<const BYTE> entryMask, std::span<const BYTE> cardAtr) noexcept;

}  // namespace platform::scard
