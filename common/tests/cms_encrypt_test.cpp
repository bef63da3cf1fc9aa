// Encrypting a buffer for one recipient: `openssl cms -decrypt` with the
// recipient's key gives the buffer back, RC2 with 40-bit keys unless told
// otherwise; failures are error numbers.
#include "cms_sign_support.h"
#include "common/cms_sign.h"
#include "common/cryptoapi.h"

namespace {

using namespace cms_sign_test;

class CmsEncryptTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        hierarchy().commercial.write(m_peer.folder(), "recipient");
    }

    // The plain text openssl takes out of the message with the recipient's
    // key; the test fails when it cannot.
    Bytes Decrypted(const Bytes& message, bool legacy) {
        m_peer.write("enveloped.der", message);
        std::vector<std::string> args{"cms",    "-decrypt",      "-inform", "DER",           "-in",    "enveloped.der",
                                      "-recip", "recipient.pem", "-inkey",  "recipient.key", "-binary"};
        if (legacy) args.insert(args.end(), {"-provider", "legacy", "-provider", "default"});
        return bytesOf(m_peer.output(args));
    }

    testkit::PlatformRoot m_machine;
    Peer m_peer{m_machine.path() / "peer"};
    const CertInfo m_recipient = recordOf(hierarchy().commercial.certificate);
    const Bytes m_content = bytesOf("Dokument k zašifrování\r\n");
    TCryptoapi m_crypto;
};

// RC2's parameters carry version 160, the RFC 2268 code of 40 effective bits.
TEST_F(CmsEncryptTest, Rc2WithFortyBitKeysAndTripleDesDecryptWithOpenssl) {
    Bytes rc2;
    ASSERT_EQ(0u, m_crypto.EncryptBufferForCert(szOID_RSA_RC2CBC, m_recipient, m_content, rc2));
    EXPECT_EQ(m_content, Decrypted(rc2, true));
    m_peer.write("rc2.der", rc2);
    const std::string printed = m_peer.output({"cms", "-cmsout", "-print", "-inform", "DER", "-in", "rc2.der"});
    EXPECT_NE(std::string::npos, printed.find("algorithm: rc2-cbc (1.2.840.113549.3.2)"));
    EXPECT_NE(std::string::npos, printed.find("INTEGER           :A0"));

    Bytes tripleDes;
    ASSERT_EQ(0u, m_crypto.EncryptBufferForCert(szOID_RSA_DES_EDE3_CBC, m_recipient, m_content, tripleDes));
    EXPECT_EQ(m_content, Decrypted(tripleDes, false));
}

TEST_F(CmsEncryptTest, FailuresAreErrorNumbersAndLeaveTheOutput) {
    Bytes out;
    EXPECT_EQ(kErrSignCertificate, m_crypto.EncryptBufferForCert(szOID_RSA_RC2CBC, CertInfo{}, m_content, out));
    EXPECT_EQ(kErrEncryption, m_crypto.EncryptBufferForCert("1.2.3.4", m_recipient, m_content, out));
    EXPECT_EQ(kErrEncryption, m_crypto.EncryptBuffer(szOID_RSA_RC2CBC, nullptr, m_content, out));
    EXPECT_TRUE(out.empty());
}

}  // namespace
