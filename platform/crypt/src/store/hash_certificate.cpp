// CryptHashCertificate: the hash of encoded bytes (a certificate, a CRL, a
// name) through a provider.
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "store/digest.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

BOOL CryptHashCertificate(HCRYPTPROV_LEGACY hCryptProv, ALG_ID Algid, DWORD, const BYTE* pbEncoded, DWORD cbEncoded,
                          BYTE* pbComputedHash, DWORD* pcbComputedHash) noexcept {
    return winBool([&] {
        if (!pbEncoded && cbEncoded) throw WinError(E_INVALIDARG, "no data");
        const Bytes hash = digest(Algid ? Algid : CALG_SHA1, View(pbEncoded, pbEncoded ? cbEncoded : 0), hCryptProv);
        copyOut(hash, pbComputedHash, pcbComputedHash);
        return true;
    });
}
