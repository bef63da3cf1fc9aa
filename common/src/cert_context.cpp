// cert_context.cpp: records from PEM text, contexts from records, and the
// equality of the certificates behind them.
#include "common/cert_context.h"

#include "common/cryptoapi.h"
#include "common/pem.h"
#include "common/decoded_object.h"
#include "common/owned_context.h"

DWORD CertInfoFromPem(const std::string& pem, CertInfo& out) {
    std::vector<BYTE> der;
    if (!Base64DecodeString(PemStripArmour(pem), der)) return 0;
    return TCryptoapi::CertInfoFromDer(der, out);
}

PCCERT_CONTEXT CertContextFromInfo(const CertInfo& info) {
    std::vector<BYTE> der = info.der;
    if (der.empty() && !Base64DecodeString(PemStripArmour(info.pem), der)) der.clear();
    if (der.empty()) return nullptr;
    PCCERT_CONTEXT context = CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size()));
    if (context) TCryptoapi::SetKeyProvInfo(context, info);
    return context;
}

DWORD CertInfoEquals(const CertInfo& a, PCCERT_CONTEXT b) {
    const OwnedCertContext context(CertContextFromInfo(a));
    if (!context || !b) return 0;
    return CertCompareCertificate(X509_ASN_ENCODING, context->pCertInfo, b->pCertInfo) ? 1 : 0;
}

DWORD CertInfoEquals(const CertInfo& a, const CertInfo& b) {
    const OwnedCertContext context(CertContextFromInfo(b));
    return context ? CertInfoEquals(a, context.get()) : 0;
}
