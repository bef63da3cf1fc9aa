// Signing through the registered object: DoSign signs MessageTBS with the
// SignCert the caller wrote and leaves the message in signedMessage, which
// `openssl cms` verifies; a SignCert that is not in "MY" is refused.
#include <string>

#include "pentak_client.h"
#include "testkit/csp.h"
#include "testkit/process.h"
#include "win32/crypt_store.h"
#include "win32/crypt_string.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
namespace pki = testkit::pki;

constexpr HRESULT kNotFound = HRESULT_OF(0x80092004u);  // CRYPT_E_NOT_FOUND

std::u16string base64Of(const BYTE* der, DWORD length) {
    std::string text(length * 2 + 4, '\0');
    DWORD size = static_cast<DWORD>(text.size());
    CryptBinaryToStringA(der, length, CRYPT_STRING_BASE64, text.data(), &size);
    text.resize(size);
    return {text.begin(), text.end()};
}

using PentakSign = ScriptedPentak;

TEST_F(PentakSign, DoSignSignsTheMessageWithTheSigningCertificate) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::TestCsp csp(testkit::CspKind::Software, root, u"pentak-com-signer");
    const auto issuer = pki::CertificateBuilder().subject({{"CN", "Sign CA"}}).build();
    PCCERT_CONTEXT signer = csp.certificateWithKey("Pentak COM Signer", issuer);
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    ASSERT_TRUE(my && CertAddCertificateContextToStore(my, signer, CERT_STORE_ADD_ALWAYS, nullptr));
    CertCloseStore(my, 0);
    const std::u16string certificate = base64Of(signer->pbCertEncoded, signer->cbCertEncoded);
    CertFreeCertificateContext(signer);

    answers("Dialog press:6 Dialog 102:\n");
    const auto session = newSession();
    ASSERT_EQ(S_OK, session.put(u"SignCert", Value(certificate.c_str())));
    EXPECT_EQ(csp.provider(), session.text(u"ProviderName"));
    ASSERT_EQ(S_OK, session.put(u"messageTBS", Value(u"Platba 100 Kč")));
    ASSERT_EQ(S_OK, session.call(u"DoSign"));

    const std::vector<BYTE> der = decodedBase64(root, session.text(u"signedMessage"));
    const auto file = root.write("signed.der", std::string(der.begin(), der.end()));
    const auto verified =
        testkit::run({"openssl", "cms", "-verify", "-inform", "DER", "-noverify", "-binary", "-in", file.string()});
    EXPECT_EQ(0, verified.exitCode) << verified.err;
    EXPECT_EQ("Platba 100 K\xE8", verified.out);

    // A certificate the user does not hold changes nothing.
    const auto& strangerDer = issuer.certificate.der();
    const std::u16string stranger = base64Of(strangerDer.data(), static_cast<DWORD>(strangerDer.size()));
    EXPECT_EQ(kNotFound, session.put(u"SignCert", Value(stranger.c_str())));
    EXPECT_EQ(certificate, session.text(u"SignCert"));
}

}  // namespace
