// CEnroll: an issued certificate installed into the user's "MY" store,
// bound to the key of its request: the open key context or the key the
// request's pending copy names.
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "common/pem.h"
#include "containers.h"
#include "enroll.h"
#include "enroll_report.h"
#include "known_providers.h"
#include "stores.h"
#include "win32/crypt_simple_msg.h"
#include "win32/error.h"

namespace {

constexpr DWORD kBase64Flags = 6;  // decode, armour lines allowed

// The pending request of the store with this public key; null when none.
OwnedCertContext pendingRequestOf(HCERTSTORE requests, const CERT_PUBLIC_KEY_INFO& publicKey) {
    return OwnedCertContext(CertFindCertificateInStore(requests, kCertEncoding, 0, CERT_FIND_PUBLIC_KEY,
                                                       &publicKey, nullptr));
}

}  // namespace

BOOL CEnroll::InstallIssuedCertificate(PCCERT_CONTEXT certificate, PCCERT_CONTEXT pendingRequest) {
    const OwnedCertStore personal = OpenUserStore(kStorePersonal);
    if (!personal) return FailedAt(2944);
    PCCERT_CONTEXT added = nullptr;
    if (!CertAddCertificateContextToStore(personal.get(), certificate, CERT_STORE_ADD_REPLACE_EXISTING, &added))
        return FailedAt(2946);
    const OwnedCertContext installed(added);
    if (!pendingRequest) return SetKeyProvInfo(installed.get()) || FailedAt(2963);

    DWORD size = 0;
    if (!CertGetCertificateContextProperty(pendingRequest, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        return FailedAt(2954);
    RecordBuffer property(size);
    if (!CertGetCertificateContextProperty(pendingRequest, CERT_KEY_PROV_INFO_PROP_ID, property.data(), &size))
        return FailedAt(2956);
    if (!CertSetCertificateContextProperty(installed.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, property.data()))
        return FailedAt(2958);
    return TRUE;
}

BOOL CEnroll::InstallFromStore(HCERTSTORE store) {
    if (m_hProv) {
        RecordBuffer publicKey;
        if (!ExportPublicKeyInfo(m_hProv, m_keySpec, publicKey)) return FailedAt(2850);
        const OwnedCertContext issued(CertFindCertificateInStore(
            store, kCertEncoding, 0, CERT_FIND_PUBLIC_KEY, &publicKey.as<CERT_PUBLIC_KEY_INFO>(), nullptr));
        if (!issued) return FailedAt(2854);
        return InstallIssuedCertificate(issued.get(), nullptr) || FailedAt(2856);
    }

    const OwnedCertStore requests = OpenUserStore(kStoreRequest);
    if (!requests) return FailedAt(2864);
    // A chain's CA certificates have no request of their own: they are
    // passed over, and only a store without any certificate of a pending
    // request fails.
    bool anyCertificate = false, anyInstalled = false;
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store, certificate))) {
        anyCertificate = true;
        const OwnedCertContext pending = pendingRequestOf(requests.get(), certificate->pCertInfo->SubjectPublicKeyInfo);
        if (!pending) continue;
        if (!InstallIssuedCertificate(certificate, pending.get())) {
            CertFreeCertificateContext(certificate);
            return FailedAt(2873);
        }
        anyInstalled = true;
    }
    if (anyCertificate && !anyInstalled) {
        SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
        return FailedAt(2870);
    }
    return TRUE;
}

BOOL CEnroll::AcceptX509(std::u16string_view base64) {
    std::vector<BYTE> der;
    if (!TAsn1Coder::StringToBinary(std::u16string(base64), der, kBase64Flags)) return FailedAt(2791);
    const OwnedCertStore store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!store) return FailedAt(2793);
    if (!CertAddEncodedCertificateToStore(store.get(), kCertEncoding, der.data(), static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_ALWAYS, nullptr))
        return FailedAt(2795);
    return InstallFromStore(store.get()) || FailedAt(2797);
}

BOOL CEnroll::AcceptPkcs7(std::u16string_view base64) {
    std::vector<BYTE> message;
    if (!TAsn1Coder::StringToBinary(std::u16string(base64), message, kBase64Flags)) return FailedAt(2748);
    const OwnedCertStore store(
        CryptGetMessageCertificates(kCertEncoding, 0, 0, message.data(), static_cast<DWORD>(message.size())));
    if (!store) return FailedAt(2750);
    return InstallFromStore(store.get()) || FailedAt(2752);
}
