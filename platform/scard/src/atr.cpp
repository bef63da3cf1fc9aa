#include "atr.h"

namespace platform::scard {

std::optional<std::size_t> measureAtr(const BYTE* atr) noexcept {
    // TS, then T0: its high nibble says which of TA1..TD1 follow, its low
    // nibble is the number of historical bytes.
    std::size_t length = 2;
    BYTE indicator = atr[1];
    const std::size_t historical = indicator & 0x0F;
    bool tck = false;  // present unless only T=0 is indicated
    for (;;) {
        const bool hasTd = indicator & 0x80;
        length += ((indicator >> 4) & 1) + ((indicator >> 5) & 1) + ((indicator >> 6) & 1);
        if (!hasTd) break;
        if (length + 1 > kMaxAtrLength) return std::nullopt;
        indicator = atr[length];
        ++length;
        if ((indicator & 0x0F) != 0) tck = true;
    }
    length += historical + (tck ? 1 : 0);
    if (length > kMaxAtrLength) return std::nullopt;
    return length;
}

bool atrMatches(std::span<const BYTE> entryAtr, std::span<const BYTE> entryMask, std::span<const BYTE> cardAtr) noexcept {
    if (entryAtr.size() != cardAtr.size() || entryMask.size() != entryAtr.size()) return false;
    for (std::size_t i = 0; i < entryAtr.size(); ++i)
        if ((entryAtr[i] & entryMask[i]) != (cardAtr[i] & entryMask[i])) return false;
    return true;
}

}  // namespace platform::scard
