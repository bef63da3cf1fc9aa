// The smart-card database: one registry key per card type under
// HKLM\SOFTWARE\Microsoft\Cryptography\Calais\SmartCards, named for the card,
// with "ATR" and "ATRMask" (REG_BINARY) and "Crypto Provider" (REG_SZ).
// Names are UTF-16; the narrow entry points convert theirs.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace platform::scard::database {

// Creates or updates the card's entry; an empty mask means an exact match
// (no "ATRMask" value). A name must be non-empty and hold no backslash.
void introduce(std::u16string_view card, std::span<const BYTE> atr, std::span<const BYTE> mask);
// SCARD_E_UNKNOWN_CARD when the card is not in the database.
void forget(std::u16string_view card);

// The cards whose entries match the ATR at atr (whose length comes from its
// structure), in the database's order; every card for a null ATR. Entries
// that cannot be read are passed over.
std::vector<std::u16string> cardsFor(const BYTE* atr);

void setCryptoProvider(std::u16string_view card, std::u16string_view provider);
// SCARD_E_UNKNOWN_CARD for an unknown card; ERROR_FILE_NOT_FOUND when the
// card names no CSP.
std::u16string cryptoProvider(std::u16string_view card);

}  // namespace platform::scard::database
