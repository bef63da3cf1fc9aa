// CEnroll: the copy of a request that waits in the user's "REQUEST" store
// for its certificate, and the key a certificate names.
#include "common/cert_info.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "encode_steps.h"
#include "enroll.h"
#include "file_time.h"
#include "known_providers.h"
#include "request_params.h"
#include "stores.h"
#include "win32/crypt_provider.h"
#include "win32/datetime.h"

namespace {

// The placeholder certificate: serial number 69 (little-endian), valid for
// 40 days from now.
constexpr BYTE kPendingSerial[] = {0x45, 0x00};
constexpr int kPendingDays = 40;

}  // namespace

bool CEnroll::storePendingRequest(const CERT_REQUEST_INFO& request, const CERT_SIGNED_CONTENT_INFO& signedRequest,
                                  LPSTR signatureOid) {
    // A certificate of the request's subject and key, issued by that subject,
    // under the request's own signature: it is never checked, only matched
    // with the issued certificate by its key.
    CERT_INFO info{};
    info.dwVersion = CERT_V3;
    info.SerialNumber = {sizeof kPendingSerial, const_cast<BYTE*>(kPendingSerial)};
    info.SignatureAlgorithm = {signatureOid, {}};
    info.Issuer = request.Subject;
    info.Subject = request.Subject;
    GetSystemTimeAsFileTime(&info.NotBefore);
    info.NotAfter = AddDaysToFileTime(info.NotBefore, kPendingDays);
    info.SubjectPublicKeyInfo = request.SubjectPublicKeyInfo;
    std::vector<BYTE> toBeSigned, certificate;
    if (!EncodeStep(X509_CERT_TO_BE_SIGNED, &info, toBeSigned, 1630, 1632)) return false;
    CERT_SIGNED_CONTENT_INFO content = signedRequest;
    content.ToBeSigned = {static_cast<DWORD>(toBeSigned.size()), toBeSigned.data()};
    if (!EncodeStep(X509_CERT, &content, certificate, 1640, 1642)) return false;

    const OwnedCertStore store = OpenUserStore(kStoreRequest);
    if (!store) return FailedAt(1645);
    PCCERT_CONTEXT added = nullptr;
    if (!CertAddEncodedCertificateToStore(store.get(), kCertEncoding, certificate.data(),
                                          static_cast<DWORD>(certificate.size()), CERT_STORE_ADD_ALWAYS, &added))
        return FailedAt(1648);
    const OwnedCertContext pending(added);
    return SetKeyProvInfo(pending.get()) || FailedAt(1650);
}

BOOL CEnroll::SetKeyProvInfo(PCCERT_CONTEXT certificate) {
    CertInfo key;
    if (!ReadProviderTextStep(m_hProv, PP_CONTAINER, key.containerName, 3013, 3015) ||
        !ReadProviderTextStep(m_hProv, PP_NAME, key.providerName, 3022, 3027))
        return FALSE;
    key.providerType = m_providerType;
    key.keySpec = m_keySpec;
    if (!TCryptoapi::SetKeyProvInfo(certificate, key)) return FailedAt(3043);
    return TRUE;
}
