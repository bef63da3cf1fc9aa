// TCertTrustedStore: the process-wide list of trusted certificates, each
// with its trust bits, that certificate verification consults. It lives in
// the current user's registry under its base key: a REG_DWORD "ncerts" and
// the REG_SZ values "0" to "ncerts" - 1, each "<flags in decimal>;<PEM>".
#pragma once

#include <string>
#include <vector>

#include "common/cert_info.h"
#include "win32/crypt_types.h"

struct TTrustedEntry {
    DWORD flags = 0;
    CertInfo certificate;
};

class TCertTrustedStore {
public:
    // The store, created empty with check mask 0 on the first call and kept
    // until the process ends.
    static TCertTrustedStore* Instance();

    TCertTrustedStore(const TCertTrustedStore&) = delete;
    TCertTrustedStore& operator=(const TCertTrustedStore&) = delete;
    virtual ~TCertTrustedStore();

    // The registry path under HKEY_CURRENT_USER; with none, Load and Save
    // fail.
    void SetBaseKey(const std::string& baseKey);
    // The trust bits that GetTrust checks. Nothing in the system sets any,
    // so GetTrust answers 1 to every request.
    void SetCheckMask(DWORD mask);

    void Clear();
    // Empties the entries and reads them from the registry, skipping values
    // without ";" or whose certificate does not decode, and duplicates.
    // False without a base key or when "ncerts" cannot be read; true when
    // the key does not exist (the store stays empty).
    bool Load();
    // False when the text does not decode, else Add.
    bool AddFromPem(DWORD flags, const std::string& pem, bool save);
    // Appends the entry unless the certificate is held already (whose flags
    // then stay). With save, the result of Save keeping stale values; else
    // true.
    bool Add(DWORD flags, const CertInfo& record, bool save);
    // The first entry holding the certificate; false when none, or when no
    // context is given or can be made.
    bool FindEntry(PCCERT_CONTEXT context, TTrustedEntry& out) const;
    bool FindEntry(const CertInfo& record, TTrustedEntry& out) const;
    // 1 when bits is 0 or shares no bit with the check mask; otherwise the
    // trust flags of the certificate's entry AND bits, 0 when it has none.
    DWORD GetTrust(PCCERT_CONTEXT context, DWORD bits) const;
    // Writes "ncerts" and every entry as "0" onwards. False, logged at level
    // 2, when any write fails. With deleteStale, and when all was written,
    // the values from the count upwards are deleted until one is missing.
    bool Save(bool deleteStale);

private:
    TCertTrustedStore() = default;

    DWORD m_checkMask = 0;
    std::string m_baseKey;
    std::vector<TTrustedEntry> m_entries;
};
