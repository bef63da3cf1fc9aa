// algorithms.cpp: translation between algorithm OIDs, CryptoAPI ALG_IDs and
// display names. Systems older than the SHA-2 support in CryptoAPI know none
// of the SHA-2 identifiers, so built-in rows stand in for them.
#include <algorithm>
#include <cstring>

#include "ansi_text.h"
#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/sha2_oid_rows.h"
#include "win32/crypt_oid.h"
#include "win32/text.h"

namespace {

// Extra information of the signature rows: the public-key ALG_ID, then for
// the RSA rows flags 0 and provider type 24.
constexpr DWORD kNoSignExtra[] = {CALG_NO_SIGN};
constexpr DWORD kRsaSignExtra[] = {CALG_RSA_SIGN, 0, PROV_RSA_AES};

CRYPT_OID_INFO row(LPCSTR oid, LPCWSTR name, DWORD group, ALG_ID algId, CRYPT_DATA_BLOB extraInfo = {}) {
    CRYPT_OID_INFO info{};
    info.cbSize = sizeof info;
    info.pszOID = oid;
    info.pwszName = name;
    info.dwGroupId = group;
    info.Algid = algId;
    info.ExtraInfo = extraInfo;
    return info;
}

template <std::size_t N>
CRYPT_DATA_BLOB extraOf(const DWORD (&values)[N]) {
    return {static_cast<DWORD>(sizeof values), reinterpret_cast<BYTE*>(const_cast<DWORD*>(values))};
}

}  // namespace

const std::vector<CRYPT_OID_INFO>& Sha2SignatureOidRows() {
    static const std::vector<CRYPT_OID_INFO> rows = {
        row(szOID_NIST_sha256, u"sha256NoSign", CRYPT_SIGN_ALG_OID_GROUP_ID, CALG_SHA_256, extraOf(kNoSignExtra)),
        row(szOID_NIST_sha384, u"sha384NoSign", CRYPT_SIGN_ALG_OID_GROUP_ID, CALG_SHA_384, extraOf(kNoSignExtra)),
        row(szOID_NIST_sha512, u"sha512NoSign", CRYPT_SIGN_ALG_OID_GROUP_ID, CALG_SHA_512, extraOf(kNoSignExtra)),
        row(szOID_RSA_SHA256RSA, u"sha256RSA", CRYPT_SIGN_ALG_OID_GROUP_ID, CALG_SHA_256, extraOf(kRsaSignExtra)),
        row(szOID_RSA_SHA384RSA, u"sha384RSA", CRYPT_SIGN_ALG_OID_GROUP_ID, CALG_SHA_384, extraOf(kRsaSignExtra)),
        row(szOID_RSA_SHA512RSA, u"sha512RSA", CRYPT_SIGN_ALG_OID_GROUP_ID, CALG_SHA_512, extraOf(kRsaSignExtra)),
    };
    return rows;
}

const std::vector<CRYPT_OID_INFO>& Sha2HashOidRows() {
    static const std::vector<CRYPT_OID_INFO> rows = {
        row(szOID_NIST_sha256, u"sha256", CRYPT_HASH_ALG_OID_GROUP_ID, CALG_SHA_256),
        row(szOID_NIST_sha384, u"sha384", CRYPT_HASH_ALG_OID_GROUP_ID, CALG_SHA_384),
        row(szOID_NIST_sha512, u"sha512", CRYPT_HASH_ALG_OID_GROUP_ID, CALG_SHA_512),
    };
    return rows;
}

namespace {

// The first built-in row that matches, the signature rows before the hash
// rows; group 0 searches both, 4 only the signature rows, 1 only the hash
// rows.
template <class Match>
const CRYPT_OID_INFO* findBuiltIn(DWORD group, Match match) {
    const auto search = [&](const std::vector<CRYPT_OID_INFO>& rows) -> const CRYPT_OID_INFO* {
        const auto it = std::find_if(rows.begin(), rows.end(), match);
        return it == rows.end() ? nullptr : &*it;
    };
    if (group == 0 || group == CRYPT_SIGN_ALG_OID_GROUP_ID)
        if (const auto* found = search(Sha2SignatureOidRows())) return found;
    if (group == 0 || group == CRYPT_HASH_ALG_OID_GROUP_ID)
        if (const auto* found = search(Sha2HashOidRows())) return found;
    return nullptr;
}

const CRYPT_OID_INFO* findByAlgId(ALG_ID algId, DWORD group) {
    if (const auto* info = CryptFindOIDInfo(CRYPT_OID_INFO_ALGID_KEY, &algId, group)) return info;
    return findBuiltIn(group, [&](const CRYPT_OID_INFO& r) { return r.Algid == algId; });
}

bool sameNameNoCase(const std::u16string& a, LPCWSTR b) { return lstrcmpiW(a.c_str(), b) == 0; }

}  // namespace

// CryptoAPI answers 0 for an OID it does not know, and on some systems one
// of the two special values; the built-in rows are searched in both cases.
const CRYPT_OID_INFO* FindSha2OidRow(const std::string& oid, DWORD group) {
    return findBuiltIn(group, [&](const CRYPT_OID_INFO& r) { return oid == r.pszOID; });
}

ALG_ID TCryptoapi::OidToAlgId(const std::string& oid) {
    const DWORD algId = CertOIDToAlgId(oid.c_str());
    if (algId != 0 && algId != 0xFFFFFFFEu && algId != 0xFFFFFFFFu) return algId;
    const auto* found = FindSha2OidRow(oid, 0);
    return found ? found->Algid : algId;
}

std::string TCryptoapi::AlgIdToOid(ALG_ID algId, DWORD group) {
    if (LPCSTR oid = CertAlgIdToOID(algId)) return oid;
    const auto* found = findBuiltIn(group, [&](const CRYPT_OID_INFO& r) { return r.Algid == algId; });
    return found ? found->pszOID : "";
}

std::string TCryptoapi::GetAlgName(ALG_ID algId, DWORD group) {
    const auto* found = findByAlgId(algId, group);
    return found ? AnsiFromWide(found->pwszName) : "";
}

std::string TCryptoapi::GetSignatureKeyAlgName(const std::string& signatureOid) {
    const CRYPT_OID_INFO* signature =
        CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(signatureOid.c_str()), CRYPT_SIGN_ALG_OID_GROUP_ID);
    if (!signature) signature = FindSha2OidRow(signatureOid, CRYPT_SIGN_ALG_OID_GROUP_ID);
    if (!signature) return GetAlgName(OidToAlgId(signatureOid), 0);
    if (signature->ExtraInfo.cbData < sizeof(ALG_ID)) return AnsiFromWide(signature->pwszName);
    ALG_ID keyAlgorithm = 0;
    std::memcpy(&keyAlgorithm, signature->ExtraInfo.pbData, sizeof keyAlgorithm);
    std::string name = GetAlgName(keyAlgorithm, CRYPT_SIGN_ALG_OID_GROUP_ID);
    return name.empty() ? GetAlgName(keyAlgorithm, CRYPT_PUBKEY_ALG_OID_GROUP_ID) : name;
}

ALG_ID TCryptoapi::GetOidName(const std::string& name, DWORD group) {
    std::u16string wide = MultiByteToWide(name, CP_ACP);
    const CRYPT_OID_INFO* found = CryptFindOIDInfo(CRYPT_OID_INFO_NAME_KEY, wide.data(), group);
    if (!found) found = findBuiltIn(group, [&](const CRYPT_OID_INFO& r) { return sameNameNoCase(wide, r.pwszName); });
    return found ? OidToAlgId(found->pszOID) : 0;
}

std::u16string TCryptoapi::GetOidName(const std::u16string& oid, DWORD group) {
    std::string ansiOid = WideToMultiByte(oid.data(), static_cast<int>(oid.size()));
    const CRYPT_OID_INFO* found = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, ansiOid.data(), group);
    if (!found || !found->pwszName) found = FindSha2OidRow(ansiOid, group);
    return found && found->pwszName ? std::u16string(found->pwszName) : std::u16string();
}

std::string TCryptoapi::GetOidName(const std::string& oid) {
    const std::u16string name = GetOidName(MultiByteToWide(oid, CP_ACP), 0);
    return WideToMultiByte(name.data(), static_cast<int>(name.size()));
}

std::string TCryptoapi::CheckHashAlgOid(const std::string& oid, DWORD useDefault) {
    if (CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(oid.c_str()), CRYPT_HASH_ALG_OID_GROUP_ID))
        return oid;
    return useDefault ? szOID_OIWSEC_sha1 : "";
}
