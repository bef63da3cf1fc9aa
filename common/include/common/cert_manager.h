// TCertManager: the certificates the user has chosen before, remembered in
// numbered lists (the most recently used first) so that the next selection
// offers them first. List n lives in the current user's registry under
// <base key>\<n>: a REG_DWORD "ncerts" and the REG_SZ values "0" to
// "ncerts" - 1, one certificate's PEM text each.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/cert_info.h"
#include "win32/types.h"

// Selection flags (sgCertSelectionFlags); they combine by OR.
inline constexpr DWORD sgCertDefault = 0;
inline constexpr DWORD sgCertValid = 1;          // within its validity period now
inline constexpr DWORD sgCertChainValid = 2;     // its chain validates
inline constexpr DWORD sgCertChainCrlValid = 6;  // its chain validates, revocation checked
inline constexpr DWORD sgCertQualifiedOnly = 8;  // CertInfo::IsQualified
inline constexpr DWORD sgCertSSCDOnly = 16;      // CertInfo::IsSscd(0)

class TCertManager {
public:
    // LoadAll loads the lists 0 to kListCount - 1.
    static constexpr int kListCount = 5;

    TCertManager() = default;
    virtual ~TCertManager();

    // The registry path under HKEY_CURRENT_USER; with none, nothing is
    // loaded or saved.
    void SetBaseKey(const std::string& baseKey);

    // Empties the lists; the registry is not touched.
    void Clear();
    // Empties the lists, then keeps each of the lists 0 to 4 that loads.
    // Always true.
    bool LoadAll();
    // Appends to out the certificates of list n that decode and are within
    // their validity period now, in value order. True when the list's count
    // could be read, or, for a list still in the older form (one PEM text in
    // the value n of the base key), when its certificate could be read and
    // decoded.
    bool LoadList(int n, std::vector<CertInfo>& out);

    // Appends to out, in list order, the certificates of list n that pass
    // the selection flags; true when out is not empty afterwards.
    bool SelectCertificates(int n, std::vector<CertInfo>& out, DWORD flags);
    // Puts the record at the front of list n, removing the same certificate
    // (equal subject, issuer and serial texts) from further back. When it
    // is at the front already nothing changes and nothing is written: true.
    // Otherwise, with save, the result of SaveList; without, true.
    bool AddCertificate(int n, const CertInfo& record, bool save);
    // Writes "ncerts" and the values "0" onwards of list n; values that an
    // earlier, longer list left beyond the count stay. False, logged at
    // level 2, when any write fails.
    bool SaveList(int n);

    // Reads the older form of list index, the PEM text in the value named
    // index under the base key, into record: the result of CertInfoFromPem,
    // 0 when there is no base key or the value cannot be read. A certificate
    // that decodes moves to the list's own key; the old value is deleted
    // only once that write has succeeded.
    DWORD TakeStoredCertificate(int index, CertInfo& record);

private:
    std::string listKey(int n) const;

    std::string m_baseKey;
    std::map<int, std::vector<CertInfo>> m_lists;
};
