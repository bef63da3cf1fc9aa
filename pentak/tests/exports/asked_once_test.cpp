// A certificate chosen and a message signed through the exported functions
// under the buffer rule: the user is asked once across the size query and
// the call after it, and the call hands out what the size query made. A call
// with other arguments, or one that follows no size query, asks again.
#include <string>
#include <vector>

#include "exported_library.h"
#include "platform/owned.h"
#include "platform/ui.h"
#include "testkit/csp.h"
#include "testkit/pki.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "win32/crypt_store.h"
#include "win32/crypt_string.h"

namespace {

using namespace pentak_test;
namespace script = platform::ui::script;

#define CALL(name) PENTAK_FUNCTION(library, name)

void freeContext(const CERT_CONTEXT* context) { CertFreeCertificateContext(context); }

// The certificate's DER as one line of Base64, as the library hands it out.
std::string base64Line(const CERT_CONTEXT* context) {
    DWORD size = 0;
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    CryptBinaryToStringA(context->pbCertEncoded, context->cbCertEncoded, flags, nullptr, &size);
    std::string text(size, '\0');
    CryptBinaryToStringA(context->pbCertEncoded, context->cbCertEncoded, flags, text.data(), &size);
    text.resize(size);
    return text;
}

// The bytes of Base64 text, line breaks or not; empty when it is no Base64.
std::string bytesOfBase64(const std::string& text) {
    DWORD size = 0;
    CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr);
    std::string bytes(size, '\0');
    if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64, reinterpret_cast<BYTE*>(bytes.data()), &size,
                              nullptr, nullptr))
        return {};
    bytes.resize(size);
    return bytes;
}

class AskedOnce : public PentakExports {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        static const testkit::pki::Hierarchy hierarchy = testkit::pki::Hierarchy::make();
        m_signer.reset(m_csp.certificateWithKey("Exports Signer", hierarchy.standardCa));
        const platform::Owned<void, closeStore> my(
            CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY"));
        ASSERT_TRUE(m_signer && my);
        ASSERT_TRUE(CertAddCertificateContextToStore(my.get(), m_signer.get(), CERT_STORE_ADD_ALWAYS, nullptr));
        m_certificate = base64Line(m_signer.get());
        m_der.assign(reinterpret_cast<const char*>(m_signer->pbCertEncoded), m_signer->cbCertEncoded);
        script::clear();
        ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    }
    void TearDown() override {
        CALL(Pentak_UnInitialize)();
        EXPECT_EQ(0u, script::pending()) << "an answer was left for a question never asked";
        script::clear();
    }

    // The message `openssl cms` verifies in the Base64 signed text.
    std::string verifiedContent(const std::string& signedText) {
        const auto file = root.write("signed.der", bytesOfBase64(signedText));
        const auto verified = testkit::run(
            {"openssl", "cms", "-verify", "-inform", "DER", "-noverify", "-in", file.string(), "-binary"});
        return verified.exitCode == 0 ? verified.out : "<not verified: " + verified.err + ">";
    }

    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
    const ScopedEnv m_modules{"PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR};
    testkit::TestCsp m_csp{testkit::CspKind::Software, root, u"exports-signer"};
    platform::Owned<const CERT_CONTEXT, freeContext> m_signer;
    std::string m_certificate, m_der;
};

TEST_F(AskedOnce, TheCertificateIsChosenOnceForTheSizeQueryAndTheCallsAfterIt) {
    script::queue("SelectCertificate", "0");
    DWORD length = 0;
    ASSERT_EQ(S_OK, CALL(Pentak_SelectCert)("", nullptr, &length));
    // A buffer too short is told the length again, still from that choice.
    std::string chosen(length - 1, '#');
    DWORD room = static_cast<DWORD>(chosen.size());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_MORE_DATA), CALL(Pentak_SelectCert)("", chosen.data(), &room));
    chosen.assign(length, '#');
    ASSERT_EQ(S_OK, CALL(Pentak_SelectCert)("", chosen.data(), &length));
    EXPECT_EQ(m_der, bytesOfBase64(chosen.c_str()));
    EXPECT_EQ(1u, script::transcript().size()) << "the user was asked once";

    // The extended form the same; a call without a size query before it asks.
    script::queue("SelectCertificate", "0");
    ASSERT_EQ(S_OK, CALL(Pentak_SelectCertEx)("", 0, nullptr, &length));
    chosen.assign(length, '#');
    ASSERT_EQ(S_OK, CALL(Pentak_SelectCertEx)("", 0, chosen.data(), &length));
    EXPECT_EQ(m_der, bytesOfBase64(chosen.c_str()));
    EXPECT_EQ(2u, script::transcript().size());
    script::queue("SelectCertificate", "IDCANCEL");
    room = static_cast<DWORD>(chosen.size());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), CALL(Pentak_SelectCertEx)("", 0, chosen.data(), &room));
    EXPECT_EQ(3u, script::transcript().size());
}

TEST_F(AskedOnce, AMessageIsSignedOnceForTheSizeQueryAndTheCallAfterIt) {
    script::queue("Dialog", "press:6");
    const std::string message = "P\xF8" "ihl\xE1\x9Aka";  // "Přihláška" in Windows-1250
    DWORD length = 0;
    ASSERT_EQ(S_OK, CALL(Pentak_Sign)(m_certificate.c_str(), message.c_str(), nullptr, &length));
    std::string signedText(length, '#');
    ASSERT_EQ(S_OK, CALL(Pentak_Sign)(m_certificate.c_str(), message.c_str(), signedText.data(), &length));
    EXPECT_EQ(1u, script::transcript().size()) << "the user confirmed one signature";
    signedText.resize(length - 1);
    EXPECT_EQ(message, verifiedContent(signedText));

    // After a size query, a call for another message signs that message.
    script::queue("Dialog", "press:6");
    script::queue("Dialog", "press:6");
    ASSERT_EQ(S_OK, CALL(Pentak_Sign)(m_certificate.c_str(), message.c_str(), nullptr, &length));
    const std::string other = "Jin\xE1 zpr\xE1va";
    std::string otherSigned(length + 200, '#');
    DWORD room = static_cast<DWORD>(otherSigned.size());
    ASSERT_EQ(S_OK, CALL(Pentak_Sign)(m_certificate.c_str(), other.c_str(), otherSigned.data(), &room));
    EXPECT_EQ(3u, script::transcript().size());
    otherSigned.resize(room - 1);
    EXPECT_EQ(other, verifiedContent(otherSigned));

    // The wide form keeps its size query's signature too.
    script::queue("Dialog", "press:6");
    const std::u16string wideCertificate(m_certificate.begin(), m_certificate.end());
    DWORD characters = 0;
    ASSERT_EQ(S_OK, CALL(Pentak_SignW)(wideCertificate.c_str(), u"Přihláška", nullptr, &characters));
    std::u16string wideSigned(characters, u'#');
    ASSERT_EQ(S_OK, CALL(Pentak_SignW)(wideCertificate.c_str(), u"Přihláška", wideSigned.data(), &characters));
    EXPECT_EQ(4u, script::transcript().size());
    wideSigned.resize(characters - 1);
    EXPECT_EQ(message, verifiedContent(std::string(wideSigned.begin(), wideSigned.end())));
}

}  // namespace
