// Messages signed by the session with a software key whose certificate is in
// "MY": the signed content judged by `openssl cms`, the sign dialog (script
// backend) shown exactly what is signed and its hash, and the refusals that
// come before the dialog or instead of a signature.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enroll.h"
#include "known_providers.h"
#include "pentak_resource.h"
#include "pentak_support.h"
#include "platform/ui.h"
#include "stores.h"
#include "testkit/csp.h"
#include "testkit/process.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
namespace script = platform::ui::script;

constexpr char16_t kSha256[] = u"2.16.840.1.101.3.4.2.1";
// "Žluťoučký kůň" and its Windows-1250 bytes.
constexpr char16_t kCzech[] = u"\u017Dlu\u0165ou\u010Dk\u00FD k\u016F\u0148";
const std::string kCzechCp1250 = "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2";

std::string bytesOf(const std::u16string& text, bool bigEndian) {
    std::string bytes;
    for (const char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// The text between two marks of a transcript line.
std::string between(const std::string& line, const std::string& from, const std::string& to) {
    const std::size_t start = line.find(from);
    if (start == std::string::npos) return "<" + from + " missing>";
    const std::size_t end = line.find(to, start + from.size());
    return line.substr(start + from.size(), end == std::string::npos ? std::string::npos : end - start - from.size());
}

class MessageSign : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        m_signer.reset(m_csp.certificateWithKey("Pentak Message Signer", hierarchy().standardCa));
        const OwnedCertStore my = OpenUserStore(kStorePersonal);
        ASSERT_TRUE(m_signer && my);
        ASSERT_TRUE(CertAddCertificateContextToStore(my.get(), m_signer.get(), CERT_STORE_ADD_ALWAYS, nullptr));
        m_certificate = base64Of(derOf(m_signer.get()));
        ASSERT_EQ(0u, m_session.SetGUILanguage(u"en"));
        m_session.SetProviderName(m_csp.provider());
        m_session.SetProviderType(PROV_RSA_AES);
    }

    void TearDown() override { TPentakResource::ReleaseInstance(); }

    struct Opened {
        std::string content, printed;
    };
    // What `openssl cms` finds in the Base64 message: the content it
    // verifies and the structure it prints.
    Opened open(const std::u16string& signedText) {
        const auto file = m_root.write("signed.der", [&] {
            const std::vector<BYTE> der = bytesOfBase64(signedText);
            return std::string(der.begin(), der.end());
        }());
        const auto verified = testkit::run(
            {"openssl", "cms", "-verify", "-inform", "DER", "-noverify", "-in", file.string(), "-binary"});
        EXPECT_EQ(0, verified.exitCode) << verified.err;
        const auto printed = testkit::run({"openssl", "cms", "-cmsout", "-print", "-inform", "DER", "-in", file.string()});
        return {verified.out, printed.out};
    }

    // The lower-case hexadecimal digest openssl computes, a blank between
    // groups of four digits.
    std::string digestText(const std::string& bytes, const std::string& digest) {
        const auto file = m_root.write("content.bin", bytes);
        const auto run = testkit::run({"openssl", "dgst", "-" + digest, "-r", file.string()});
        const std::string hex = run.out.substr(0, run.out.find(' '));
        std::string grouped;
        for (std::size_t i = 0; i < hex.size(); i += 4) grouped += (i ? " " : "") + hex.substr(i, 4);
        return grouped;
    }

    // Signs with Yes and checks what was shown and what was signed.
    void expectSigned(const std::u16string& message, const std::string& shown, const std::string& content,
                      const std::string& digest) {
        script::clear();
        script::queue("Dialog", "press:6");
        std::u16string signedText;
        ASSERT_EQ(0u, m_session.Sign(m_certificate, message, signedText)) << shown;
        EXPECT_EQ(signedText, m_session.GetSignedMessage().value_or(u""));
        const auto lines = script::transcript();
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(shown, between(lines[0], "208 edit \"", "\" | 207"));
        EXPECT_EQ(digestText(content, digest), between(lines[0], "202 edit \"", "\" | 203"));
        const Opened opened = open(signedText);
        EXPECT_EQ(content, opened.content);
        EXPECT_NE(std::string::npos, opened.printed.find("signingTime")) << opened.printed;
        EXPECT_NE(std::string::npos, opened.printed.find("algorithm: " + digest)) << opened.printed;
    }

    testkit::PlatformRoot m_root;
    testkit::TestCsp m_csp{testkit::CspKind::Software, m_root, u"pentak-signer"};
    ScriptedUi m_ui;
    OwnedCertContext m_signer;
    std::u16string m_certificate;
    CEnroll m_session;
};

TEST_F(MessageSign, SignsTheBytesOfTheCodePageOrOfBase64AndShowsWhatItSigns) {
    ASSERT_EQ(1250u, m_session.GetCodePage());
    expectSigned(kCzech, "Žluťoučký kůň", kCzechCp1250, "sha1");

    m_session.SetCodePage(1200);
    expectSigned(kCzech, "Žluťoučký kůň", bytesOf(kCzech, false), "sha1");
    m_session.SetCodePage(1201);
    expectSigned(kCzech, "Žluťoučký kůň", bytesOf(kCzech, true), "sha1");

    ASSERT_EQ(0u, m_session.SetMessageEncoding(u"base64"));
    ASSERT_EQ(0u, m_session.SetHashAlgorithmOid(kSha256));
    const std::string utf8 = "Ahoj světe\n";
    expectSigned(base64Of({utf8.begin(), utf8.end()}), utf8, utf8, "sha256");
}

TEST_F(MessageSign, RefusalsLeaveNoSignature) {
    std::u16string signedText = u"untouched";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), m_session.Sign(m_certificate, u"", signedText));
    EXPECT_FALSE(m_session.GetSignedMessage().has_value());

    // A character Windows-1250 lacks would be signed as "?" while the user
    // reads the letter: refused before anything is shown.
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), m_session.Sign(m_certificate, u"Ελλάδα", signedText));
    ASSERT_EQ(0u, m_session.SetMessageEncoding(u"base64"));
    EXPECT_NE(0u, m_session.Sign(m_certificate, u"není to base64!", signedText));
    EXPECT_TRUE(script::transcript().empty());

    script::queue("Dialog", "press:7");
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), m_session.Sign(m_certificate, u"AAEC", signedText));
    EXPECT_EQ(1u, script::transcript().size());
    EXPECT_FALSE(m_session.GetSignedMessage().has_value());
    EXPECT_EQ(u"untouched", signedText);

    // A certificate that is nowhere, and one whose key is not in the
    // container it names.
    const std::u16string stranger = base64Of(hierarchy().commercial.certificate.der());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), m_session.Sign(stranger, u"AAEC", signedText));
    const OwnedCertContext misnamed = CertificateWithKey(
        hierarchy().commercial.certificate.der(),
        CertKeyInfo{{}, m_csp.provider(), PROV_RSA_AES, m_csp.container(), AT_KEYEXCHANGE});
    const OwnedCertStore my = OpenUserStore(kStorePersonal);
    ASSERT_TRUE(CertAddCertificateContextToStore(my.get(), misnamed.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_PUBLIC_KEY), m_session.Sign(stranger, u"AAEC", signedText));
    EXPECT_EQ(1u, script::transcript().size());
}

TEST_F(MessageSign, TheSigningCertificateBringsItsKeyIntoTheSession) {
    m_session.SetProviderName(u"Zintra CSP");
    m_session.SetProviderType(PROV_RSA_FULL);
    m_session.SetSmartCardReaderName(u"Reader 0");
    m_session.SetContainerName(u"other");
    m_session.SetKeySpec(AT_SIGNATURE);

    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND),
              m_session.SetSignCert(base64Of(hierarchy().commercial.certificate.der())));
    EXPECT_EQ(u"Zintra CSP", m_session.GetProviderName().value_or(u""));
    EXPECT_NE(0u, m_session.SetSignCert(u""));

    ASSERT_EQ(0u, m_session.SetSignCert(m_certificate));
    EXPECT_EQ(m_certificate, m_session.GetSignCert().value_or(u""));
    EXPECT_EQ(m_csp.provider(), m_session.GetProviderName().value_or(u""));
    EXPECT_EQ(m_csp.container(), m_session.GetContainerName().value_or(u""));
    EXPECT_EQ(static_cast<DWORD>(PROV_RSA_AES), m_session.GetProviderType());
    EXPECT_EQ(static_cast<DWORD>(AT_KEYEXCHANGE), m_session.GetKeySpec());
    EXPECT_FALSE(m_session.GetSmartCardReaderName().has_value());
    EXPECT_FALSE(m_session.GetSmartCardName().has_value());
}

}  // namespace
