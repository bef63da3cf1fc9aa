// pem_certificates.cpp: cutting a PEM list at its end armour lines.
#include "pem_certificates.h"

#include "common/pem.h"
#include "win32/crypt_store.h"

namespace {

constexpr char16_t kCertificateEnd[] = u"-----END CERTIFICATE-----";
constexpr DWORD kBase64Flags = 6;  // decode, armour lines allowed

}  // namespace

void PemToCertificates(const std::u16string& text, std::vector<OwnedCertContext>& out) {
    std::u16string joined;
    for (const char16_t c : text)
        if (c != u'\r' && c != u'\n') joined += c;
    const std::u16string_view end(kCertificateEnd);
    std::size_t start = 0;
    for (;;) {
        const std::size_t found = joined.find(end, start);
        const std::u16string piece = joined.substr(start, found == std::u16string::npos ? found : found - start);
        std::vector<BYTE> der;
        if (TAsn1Coder::StringToBinary(piece, der, kBase64Flags))
            if (PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                                      der.data(), static_cast<DWORD>(der.size())))
                out.emplace_back(context);
        if (found == std::u16string::npos) break;
        start = found + end.size();
    }
}

CaRestriction CaRestriction::FromPem(const std::u16string& text) {
    CaRestriction restriction;
    restriction.m_restricts = !text.empty();
    PemToCertificates(text, restriction.m_certificates);
    return restriction;
}
