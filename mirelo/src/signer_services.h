// The process-wide pieces that every live signer shares: the in-memory log
// with its level, the message table with its language, the trusted
// certificate store and the document plug-ins. Each signer holds them from
// its construction to its destruction; only the last signer to go tears
// them down, so that ending one signer leaves the log, the language, the
// trusted certificates and the loaded plug-ins of the others as they were.
#pragma once

#include <cstddef>

#include "win32/types.h"

class SignerServices {
public:
    // Counts a new signer in.
    static void Attach();
    // Counts a signer out; the last one unloads and forgets the document
    // plug-ins (plugin_manager.h), empties the trusted store and
    // releases the log (its level goes back to 0) and the message table
    // (back to Czech).
    static void Detach();
    // How many signers live in the process now.
    static std::size_t LiveSigners();

    // The log's level mask, kept here since the log shows only its lines.
    static void SetLogLevel(DWORD mask);
    static DWORD GetLogLevel();
};

// Keeps the thread's last error across a scope, so that what the signer
// does for its own bookkeeping never changes the error a caller reads.
class LastErrorKeeper {
public:
    LastErrorKeeper();
    ~LastErrorKeeper();
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

private:
    DWORD m_saved;
};
