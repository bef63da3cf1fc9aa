// Certificates of the testkit PKI as contexts and texts, for the enrolment
// library's tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "common/owned_context.h"
#include "common/pem.h"
#include "my_error.h"
#include "platform/ui.h"
#include "testkit/pki.h"
#include "win32/crypt_store.h"

namespace pentak_test {

namespace pki = testkit::pki;

// The software CSP the tests make their keys in.
inline constexpr char16_t kSoftwareProvider[] = u"Microsoft Enhanced Cryptographic Provider v1.0";

// The script UI backend while it lives: tests queue the answers, and every
// answer queued must have been taken by the end.
class ScriptedUi {
public:
    ScriptedUi() {
        ::setenv("PLATFORM_UI", "script", 1);
        platform::ui::setBackend(nullptr);
        platform::ui::script::clear();
    }
    ~ScriptedUi() {
        EXPECT_EQ(0u, platform::ui::script::pending());
        platform::ui::script::clear();
        platform::ui::setBackend(nullptr);
        ::unsetenv("PLATFORM_UI");
    }
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;
};

inline const pki::Hierarchy& hierarchy() {
    static const pki::Hierarchy made = pki::Hierarchy::make();
    return made;
}

inline OwnedCertContext contextOf(const std::vector<BYTE>& der) {
    return OwnedCertContext(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                                         static_cast<DWORD>(der.size())));
}
inline OwnedCertContext contextOf(const pki::Certificate& certificate) { return contextOf(certificate.der()); }

inline std::vector<BYTE> derOf(PCCERT_CONTEXT context) {
    return {context->pbCertEncoded, context->pbCertEncoded + context->cbCertEncoded};
}

// ASCII text as UTF-16.
inline std::u16string wide(const std::string& text) { return {text.begin(), text.end()}; }
inline std::string narrow(const std::u16string& text) {
    std::string out;
    for (const char16_t c : text) out += static_cast<char>(c);
    return out;
}

// Base64 text of the bytes, and the bytes of Base64 text.
inline std::u16string base64Of(const std::vector<BYTE>& bytes) {
    std::string text;
    Base64ConvertVector(bytes, text, kBase64RecordFlags);
    return wide(text);
}
inline std::vector<BYTE> bytesOfBase64(const std::u16string& text) {
    std::vector<BYTE> bytes;
    Base64DecodeString(narrow(text), bytes);
    return bytes;
}

// Whether the diagnostic text holds a line of the session at that line
// number.
inline bool logHasLine(int line) {
    const std::u16string text = CMyError::Instance().GetText();
    const std::string mark = "Enroll (line:" + std::string(line < 1000 ? " " : "") + std::to_string(line) + ")";
    return text.find(wide(mark)) != std::u16string::npos;
}

// Names the key in the context's key-provider property.
inline void nameKey(PCCERT_CONTEXT context, const char16_t* provider, const char16_t* container, DWORD keySpec) {
    std::u16string providerName = provider, containerName = container;
    CRYPT_KEY_PROV_INFO info{};
    info.pwszProvName = providerName.data();
    info.pwszContainerName = containerName.data();
    info.dwProvType = 1;
    info.dwKeySpec = keySpec;
    CertSetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG,
                                      &info);
}

}  // namespace pentak_test
