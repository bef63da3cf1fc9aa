// oid_info.cpp: the SHA-2 OID records registered where CryptoAPI lacks them.
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
