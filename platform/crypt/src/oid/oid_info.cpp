// CryptFindOIDInfo, CryptRegisterOIDInfo, CertOIDToAlgId and CertAlgIdToOID.
// Registered records live in this process only; they are searched before or
// after the built-in table as registered.
#include <cstring>
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "oid/oid_table.h"
#include "platform/boundary.h"
#include "platform/text.h"

using namespace platform;

namespace {

// A registered record with the strings and extra information it points to.
struct Registered {
    std::string oid;
    std::u16string name;
    std::vector<BYTE> extra;
    CRYPT_OID_INFO info{};
};

class Registry {
public:
    void add(const CRYPT_OID_INFO& source, bool before) {
        std::lock_guard lock(m_mutex);
        Registered& r = (before ? m_before : m_after).emplace_back();
        r.oid = source.pszOID;
        if (source.pwszName) r.name = source.pwszName;
        if (source.ExtraInfo.pbData)
            r.extra.assign(source.ExtraInfo.pbData, source.ExtraInfo.pbData + source.ExtraInfo.cbData);
        r.info = source;
        r.info.pszOID = r.oid.c_str();
        r.info.pwszName = r.name.c_str();
        r.info.ExtraInfo = {static_cast<DWORD>(r.extra.size()), r.extra.empty() ? nullptr : r.extra.data()};
    }

    template <class Match>
    PCCRYPT_OID_INFO find(Match&& match) const {
        std::lock_guard lock(m_mutex);
        for (const Registered& r : m_before)
            if (match(r.info)) return &r.info;
        for (const CRYPT_OID_INFO& info : platform::crypt::oid::builtInTable())
            if (match(info)) return &info;
        for (const Registered& r : m_after)
            if (match(r.info)) return &r.info;
        return nullptr;
    }

private:
    mutable std::mutex m_mutex;
    std::list<Registered> m_before;  // a list: records never move once handed out
    std::list<Registered> m_after;
};

Registry& registry() {
    static Registry r;
    return r;
}

bool isAlgorithmGroup(DWORD group) { return group >= CRYPT_HASH_ALG_OID_GROUP_ID && group <= CRYPT_SIGN_ALG_OID_GROUP_ID; }

DWORD firstExtra(const CRYPT_OID_INFO& info) {
    DWORD value = 0;
    if (info.ExtraInfo.pbData && info.ExtraInfo.cbData >= sizeof value)
        std::memcpy(&value, info.ExtraInfo.pbData, sizeof value);
    return value;
}

}  // namespace

PCCRYPT_OID_INFO CryptFindOIDInfo(DWORD dwKeyType, void* pvKey, DWORD dwGroupId) noexcept {
    return winValue<PCCRYPT_OID_INFO>(nullptr, [&]() -> PCCRYPT_OID_INFO {
        if (!pvKey) return nullptr;
        const auto inGroup = [dwGroupId](const CRYPT_OID_INFO& i) { return !dwGroupId || i.dwGroupId == dwGroupId; };
        switch (dwKeyType) {
        case CRYPT_OID_INFO_OID_KEY: {
            const auto* oid = static_cast<const char*>(pvKey);
            return registry().find(
                [&](const CRYPT_OID_INFO& i) { return inGroup(i) && std::strcmp(i.pszOID, oid) == 0; });
        }
        case CRYPT_OID_INFO_NAME_KEY: {
            const auto* name = static_cast<const WCHAR*>(pvKey);
            const std::u16string_view wanted(name, text::length(name));
            return registry().find([&](const CRYPT_OID_INFO& i) {
                return inGroup(i) && i.pwszName && text::equalsNoCase(i.pwszName, wanted);
            });
        }
        case CRYPT_OID_INFO_ALGID_KEY: {
            const ALG_ID algid = *static_cast<const ALG_ID*>(pvKey);
            return registry().find([&](const CRYPT_OID_INFO& i) {
                return inGroup(i) && isAlgorithmGroup(i.dwGroupId) && i.Algid == algid;
            });
        }
        case CRYPT_OID_INFO_SIGN_KEY: {
            const auto* pair = static_cast<const ALG_ID*>(pvKey);
            return registry().find([&](const CRYPT_OID_INFO& i) {
                return inGroup(i) && i.dwGroupId == CRYPT_SIGN_ALG_OID_GROUP_ID && i.Algid == pair[0] &&
                       firstExtra(i) == pair[1];
            });
        }
        default:
            return nullptr;
        }
    });
}

BOOL CryptRegisterOIDInfo(PCCRYPT_OID_INFO pInfo, DWORD dwFlags) noexcept {
    return winBool([&] {
        if (!pInfo || pInfo->cbSize != sizeof(CRYPT_OID_INFO) || !pInfo->pszOID)
            throw WinError(ERROR_INVALID_PARAMETER, "bad OID information record");
        registry().add(*pInfo, dwFlags & CRYPT_INSTALL_OID_INFO_BEFORE_FLAG);
        return true;
    });
}

DWORD CertOIDToAlgId(LPCSTR pszObjId) noexcept {
    if (!pszObjId) return 0;
    PCCRYPT_OID_INFO info = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(pszObjId), 0);
    return info && isAlgorithmGroup(info->dwGroupId) ? info->Algid : 0;
}

LPCSTR CertAlgIdToOID(DWORD dwAlgId) noexcept {
    PCCRYPT_OID_INFO info = CryptFindOIDInfo(CRYPT_OID_INFO_ALGID_KEY, &dwAlgId, 0);
    return info ? info->pszOID : nullptr;
}
