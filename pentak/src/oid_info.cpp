// oid_info.cpp: the SHA-2 OID records registered where CryptoAPI lacks them,
// and display names of OIDs with those records as fallback.
#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/sha2_oid_rows.h"
#include "win32/crypt_oid.h"

bool TCryptoapi::RegisterOIDInfo() {
    for (const auto* rows : {&Sha2SignatureOidRows(), &Sha2HashOidRows()})
        for (const CRYPT_OID_INFO& row : *rows)
            if (CertOIDToAlgId(row.pszOID) == 0 && !CryptRegisterOIDInfo(&row, CRYPT_INSTALL_OID_INFO_BEFORE_FLAG))
                return Failed();
    return true;
}

std::u16string TCryptoapi::GetOidName(const std::u16string& oid, DWORD group) {
    std::string ansiOid = WideToMultiByte(oid.data(), static_cast<int>(oid.size()));
    const CRYPT_OID_INFO* found = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, ansiOid.data(), group);
    if (!found || !found->pwszName) found = FindSha2OidRow(ansiOid, group);
    return found && found->pwszName ? std::u16string(found->pwszName) : std::u16string();
}
