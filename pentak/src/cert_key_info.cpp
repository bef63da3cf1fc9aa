// cert_key_info.cpp: a certificate's description with the key its
// key-provider property names.
#include "cert_view.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "key_records.h"

namespace {

std::u16string textOf(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

// The key-provider property of the context into key; false without one.
bool readKeyProvider(PCCERT_CONTEXT certificate, CertKeyInfo& key) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) return false;
    RecordBuffer property(size);
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, property.data(), &size))
        return false;
    const auto& info = property.as<CRYPT_KEY_PROV_INFO>();
    key.provider = textOf(info.pwszProvName);
    key.providerType = info.dwProvType;
    key.container = textOf(info.pwszContainerName);
    key.keySpec = info.dwKeySpec;
    return true;
}

}  // namespace

bool TCryptoapi::GetCertKeyInfo(PCCERT_CONTEXT certificate, CertKeyInfo& out) {
    if (!certificate) return false;
    CertKeyInfo key;
    if (!GetCertInfo(certificate, key.certificate)) return false;
    readKeyProvider(certificate, key);
    out = std::move(key);
    return true;
}

bool TCryptoapi::GetCertKeyInfoFromText(const std::u16string& text, CertKeyInfo& out) {
    const OwnedCertContext certificate = CertificateOfText(text);
    return certificate && GetCertKeyInfo(certificate.get(), out);
}
