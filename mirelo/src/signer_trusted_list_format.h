// The trusted list's text: a run of FILE=, HASH and NOTICE= fields, one
// triple per trusted item (a signature policy or a root certificate), with
// the item's digest, the time it was listed and its end of validity, and
// named values. Line breaks carry no meaning. Read from the verified content
// of the signed list and looked up by digest.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "win32/types.h"

struct TrustedListRecord {
    // FILE=<folder>/<name>: the name holds the time the item was listed.
    std::string fileText;
    std::string fileValue;
    std::string folder;
    std::string name;
    std::string extension;
    std::string fileTimeText;  // "YYYYMMDDhhmmssZ"
    FILETIME fileTime{};
    // HASH(<algorithm>:<OID with blanks between its arcs>)=<hexadecimal>
    std::string hashText;
    std::string hashValue;
    std::string hashAlgorithm;
    std::string hashAlgorithmOid;
    // NOTICE=<time> NotAfter, <name>=<value>, ...
    std::string noticeText;
    std::string notAfterText;
    FILETIME notAfter{};
    std::vector<std::pair<std::string, std::string>> items;
};

class TrustedList {
public:
    enum Kind { kTrustedCertificate = 0, kSignaturePolicy = 1 };
    // LoadFromMemory's outcomes.
    static constexpr int kRead = 0;
    static constexpr int kFormatError = 2;

    // Reads the records of the text in order: kRead when the whole text
    // was read, kFormatError at the first field out of order or unreadable
    // (the records before it stay). An unfinished triple at the end is
    // dropped.
    int LoadFromMemory(const std::vector<BYTE>& text);
    const std::vector<TrustedListRecord>& Records() const noexcept { return m_records; }

    // The first record of the kind (by its file name) whose digest
    // algorithm and digest equal the keys, without regard to case.
    bool Select(Kind kind, const std::string& algorithmOid, const std::string& digest,
                TrustedListRecord& out) const;
    // The value of the first item of that name in any case; empty for none.
    static std::string GetValue(const TrustedListRecord& record, const std::string& name);

private:
    std::vector<TrustedListRecord> m_records;
};
