// SignJob: one signing operation as the signing road hands it to the
// confirmation and the SSCD check.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"

// A document to sign: its path, its bytes, and the digest last shown for it
// (algorithm and upper-case hexadecimal text), kept so that showing it
// again computes nothing.
struct SignDocument {
    std::string name;
    std::vector<BYTE> bytes;
    ALG_ID hashAlgorithm = 0;
    std::string hashText;
};

// Operation bits.
inline constexpr LONG kSignJobAuthentication = 0x01;  // also: no confirmation dialog
inline constexpr LONG kSignJobSign = 0x02;
inline constexpr LONG kSignJobEncrypt = 0x08;
// signOptions bit: neither dialog nor question.
inline constexpr LONG kSignJobNoInteraction = 0x10;

struct SignJob {
    LONG operation = 0;
    // Which certificates go into the message: 0 none, 2 or 4 the signer's
    // and its key-exchange certificate, others the signer's.
    LONG certInclusion = 0;
    LONG signOptions = 0;
    // Non-zero: the confirmation lists the documents by name.
    LONG listMode = 0;
    std::vector<SignDocument> documents;
    // Certificates are chosen among those of this issuer (empty: any).
    std::string issuerFilter;
    // 1 once the user agreed in the confirmation dialog.
    LONG confirmed = 0;
};
