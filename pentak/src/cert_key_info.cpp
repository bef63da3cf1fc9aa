// cert_key_info.cpp: a certificate's description with the key its
// key-provider property names, and its Netscape comment.
#include "cert_view.h"
#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "key_records.h"
#include "win32/crypt_oid.h"

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

bool TCryptoapi::GetNetscapeComment(PCCERT_CONTEXT certificate, std::u16string& out) {
    if (!certificate) return false;
    const CERT_INFO& info = *certificate->pCertInfo;
    const PCERT_EXTENSION extension = CertFindExtension(szOID_NETSCAPE_COMMENT, info.cExtension, info.rgExtension);
    if (!extension) return false;
    const DecodedObject decoded(X509_NAME_VALUE, extension->Value, CRYPT_DECODE_NOCOPY_FLAG);
    if (!decoded) return false;
    const auto& value = decoded.as<CERT_NAME_VALUE>();
    const auto* bytes = reinterpret_cast<const char*>(value.Value.pbData);
    // BMP and UTF-8 strings come decoded as UTF-16, the others as their bytes.
    if (value.dwValueType == CERT_RDN_BMP_STRING || value.dwValueType == CERT_RDN_UTF8_STRING)
        out.assign(reinterpret_cast<const char16_t*>(bytes), value.Value.cbData / sizeof(char16_t));
    else
        out = String2WideChar(bytes, static_cast<int>(value.Value.cbData), CP_ACP);
    return true;
}
