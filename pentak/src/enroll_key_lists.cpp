// CEnroll: the containers and public-key hashes of the session's CSP store
// or of its provider's pending requests.
#include "cert_key_lookup.h"
#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "enroll.h"
#include "pending_requests.h"
#include "win32/error.h"

namespace {

constexpr LONG kEveryEntry = -1;

bool selects(LONG index, std::u16string_view container, std::size_t at, const CspStoreEntry& entry) {
    if (!container.empty()) return entry.container == container;
    return index == kEveryEntry || static_cast<std::size_t>(index) == at;
}

}  // namespace

DWORD CEnroll::listKeys(LONG index, std::u16string_view container, ALG_ID hashAlgId, bool fromCspStore,
                        KeyLists& out) const {
    const std::u16string provider = m_providerName.value_or(u"");
    const std::vector<CspStoreEntry> pending =
        fromCspStore ? std::vector<CspStoreEntry>{} : PendingRequestEntries(provider);
    const std::vector<CspStoreEntry>& entries = fromCspStore ? m_cspStore : pending;
    std::vector<CspStoreEntry> selected;
    for (std::size_t at = 0; at < entries.size(); ++at) {
        if (!selects(index, container, at, entries[at])) continue;
        if (fromCspStore && (entries[at].provider != provider || entries[at].providerType != m_providerType))
            return static_cast<DWORD>(NTE_BAD_PROVIDER);
        selected.push_back(entries[at]);
    }
    if (selected.empty()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return ERROR_NO_MORE_ITEMS;
    }
    KeyLists lists;
    if (!JoinPubKeyHashes(selected, hashAlgId, lists.containers, lists.hashes, lists.certificates))
        return static_cast<DWORD>(NTE_FAIL);
    out = std::move(lists);
    return 0;
}

DWORD CEnroll::listKeyHashes(LONG index, std::u16string_view container, std::u16string_view hashOid,
                             bool fromCspStore, std::u16string& hashes) {
    if (hashOid.empty()) return ERROR_INVALID_PARAMETER;
    m_certificate.reset();
    SetLastError(0);
    const ALG_ID hashAlgId =
        TCryptoapi::OidToAlgId(WideToMultiByte(hashOid.data(), static_cast<int>(hashOid.size())));
    if (hashAlgId == 0) return ResultFromStatus(false, GetLastError());
    KeyLists lists;
    if (const DWORD result = listKeys(index, container, hashAlgId, fromCspStore, lists)) return result;
    m_certificate = std::move(lists.certificates);
    hashes = std::move(lists.hashes);
    return 0;
}

DWORD CEnroll::EnumContainers(LONG index, BOOL fromCspStore, std::u16string& containers) {
    KeyLists lists;
    if (const DWORD result = listKeys(index, u"", CALG_SHA1, fromCspStore != FALSE, lists)) return result;
    containers = std::move(lists.containers);
    return 0;
}

// The CSP store is read as it is: loading it is the business of the caller.
DWORD CEnroll::EnumPubKeyHash(LONG index, std::u16string_view hashOid, BOOL fromCspStore, BOOL /*fromCache*/,
                              std::u16string& hashes) {
    return listKeyHashes(index, u"", hashOid, fromCspStore != FALSE, hashes);
}

DWORD CEnroll::GetPubKeyHashList(std::u16string_view hashOid, BOOL fromCspStore, BOOL /*fromCache*/,
                                 std::u16string& hashes) {
    return listKeyHashes(kEveryEntry, u"", hashOid, fromCspStore != FALSE, hashes);
}

DWORD CEnroll::GetPubKeyHashContainer(std::u16string_view containerName, std::u16string_view hashOid,
                                      BOOL fromCspStore, BOOL /*fromCache*/, std::u16string& hashes) {
    if (containerName.empty()) return ERROR_INVALID_PARAMETER;
    return listKeyHashes(kEveryEntry, containerName, hashOid, fromCspStore != FALSE, hashes);
}
