// Smart-card readers over PC/SC: the readers, which of them hold a card, the
// card's ATR, the card names the smart-card database knows for it and each
// card's CSP. The narrow forms log their failures; the wide forms (char16_t
// text, for the enrolment library) do the same work without logging.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "win32/scard.h"

// One reader as a status query leaves it.
template <class Text>
struct BasicSCardReaderInfo {
    Text reader;                  // the name PC/SC lists
    std::map<Text, Text> cards;   // card name -> CSP name (empty when the database names none)
    std::vector<BYTE> atr;        // after a query that found a card: 36 bytes, the ATR padded with zeros
    DWORD present = 0;            // SCARD_STATE_PRESENT (32) when a card is in the reader, else 0
};
using SCardReaderInfo = BasicSCardReaderInfo<std::string>;
using SCardReaderInfoW = BasicSCardReaderInfo<std::u16string>;

class TSCard {
public:
    TSCard();
    virtual ~TSCard();
    TSCard(const TSCard&) = delete;
    TSCard& operator=(const TSCard&) = delete;

    // A new context in the user scope, or 0 after logging the failure at
    // level 2. Every operation below opens its own and releases it.
    SCARDCONTEXT Open();

    // Appends the names of all readers in PC/SC's order; false when no
    // context opens or listing fails (no reader attached included).
    bool GetReaderList(std::vector<std::string>& out);
    bool GetReaderList(std::vector<std::u16string>& out);
    // Appends one record per reader: no cards, no ATR, present 0.
    bool GetReaders(std::vector<SCardReaderInfo>& out);
    bool GetReaders(std::vector<SCardReaderInfoW>& out);
    // One status query of all readers with the time-out (0: the current
    // state at once). Fills present, and for a card present its ATR and its
    // cards; true when at least one reader holds a card. A failed query
    // changes nothing and gives false.
    bool WaitStatus(std::vector<SCardReaderInfo>& readers, DWORD timeoutMs);
    bool WaitStatus(std::vector<SCardReaderInfoW>& readers, DWORD timeoutMs);
    // Sets out[card name] to the card's CSP (empty when none) for every card
    // the database knows for the ATR (at most 36 bytes, padding allowed).
    bool ListCards(const std::vector<BYTE>& atr, std::map<std::string, std::string>& out);
    bool ListCards(const std::vector<BYTE>& atr, std::map<std::u16string, std::u16string>& out);
    // The card's "Crypto Provider" from the database, read within 512 bytes;
    // "Tesk Dravik v1.0" is reported as "Tesk Dravik CSP v1.0", the name the
    // provider list knows. False with out unchanged when it cannot be read.
    bool GetCardCSP(const std::string& card, std::string& out);
    bool GetCardCSP(const std::u16string& card, std::u16string& out);

private:
    SCARDCONTEXT m_context;
};
