// What the dialogs should call testkit's certificates, read back through
// the layer.
#pragma once

#include <string>

#include "platform/text.h"
#include "testkit/pki.h"
#include "win32/crypt_store.h"

// The subject's simple display name.
inline std::string subjectName(const testkit::pki::Credential& credential) {
    const auto& der = credential.certificate.der();
    PCCERT_CONTEXT certificate = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    WCHAR name[256] = {};
    CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
    CertFreeCertificateContext(certificate);
    return platform::text::toUtf8(name);
}

// The serial number as the view writes it: "0a 1b 2c".
inline std::string serialText(const testkit::pki::Credential& credential) {
    std::string text;
    for (const auto byte : credential.certificate.serial()) {
        static constexpr char kDigits[] = "0123456789abcdef";
        text += (text.empty() ? "" : " ") + std::string{kDigits[byte >> 4], kDigits[byte & 15]};
    }
    return text;
}
