// CertFindExtension and CertGetIntendedKeyUsage.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/boundary.h"
#include "store/decoded.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

using namespace platform;
using namespace platform::crypt::store;

PCERT_EXTENSION CertFindExtension(LPCSTR pszObjId, DWORD cExtensions, CERT_EXTENSION rgExtensions[]) noexcept {
    if (pszObjId && rgExtensions)
        for (DWORD i = 0; i < cExtensions; ++i)
            if (rgExtensions[i].pszObjId && std::string_view(rgExtensions[i].pszObjId) == pszObjId)
                return &rgExtensions[i];
    SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    return nullptr;
}

BOOL CertGetIntendedKeyUsage(DWORD, PCERT_INFO pCertInfo, BYTE* pbKeyUsage, DWORD cbKeyUsage) noexcept {
    return winBool([&] {
        if (!pCertInfo) throw WinError(E_INVALIDARG, "no certificate");
        const CERT_EXTENSION* extension =
            CertFindExtension(szOID_KEY_USAGE, pCertInfo->cExtension, pCertInfo->rgExtension);
        if (!extension) {
            // No extension: the certificate is not restricted. Windows says so with error 0.
            SetLastError(ERROR_SUCCESS);
            return false;
        }
        const auto bits = decodeObject<CRYPT_BIT_BLOB>(X509_KEY_USAGE, viewOf(extension->Value));
        if (!pbKeyUsage) return true;
        std::memset(pbKeyUsage, 0, cbKeyUsage);
        const View usage = viewOf(*bits);
        std::memcpy(pbKeyUsage, usage.data(), std::min<std::size_t>(usage.size(), cbKeyUsage));
        return true;
    });
}
