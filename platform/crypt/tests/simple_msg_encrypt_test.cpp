// CryptEncryptMessage for a recipient's certificate with RC2 (its key bits
// from CMSG_RC2_AUX_INFO, 40 without one) and triple-DES, judged by
// `openssl cms -decrypt`; the two-call rule and the refusals.
#include "simple_msg_fixtures.h"

using namespace simple_msg_test;

namespace {

class EncryptMessage : public msg_test::MsgTest {
protected:
    void SetUp() override {
        MsgTest::SetUp();
        if (IsSkipped()) return;
        m_peer.emplace(root);
        hierarchy().commercial.write(m_peer->folder(), "recipient");
        m_recipient = contextOf(hierarchy().commercial.certificate.der());
        for (int i = 0; i < 1000; ++i) m_content.push_back(static_cast<BYTE>(i * 7));
    }

    CRYPT_ENCRYPT_MESSAGE_PARA para(LPCSTR algorithm, void* aux = nullptr) const {
        CRYPT_ENCRYPT_MESSAGE_PARA p{};
        p.cbSize = sizeof p;
        p.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
        p.ContentEncryptionAlgorithm.pszObjId = const_cast<LPSTR>(algorithm);
        p.pvEncryptionAuxInfo = aux;
        return p;
    }
    // The message by the two calls; empty with the last error on failure.
    Bytes encrypt(CRYPT_ENCRYPT_MESSAGE_PARA p) {
        PCCERT_CONTEXT recipients[] = {m_recipient.get()};
        DWORD size = 0;
        if (!CryptEncryptMessage(&p, 1, recipients, m_content.data(), static_cast<DWORD>(m_content.size()), nullptr,
                                 &size))
            return {};
        Bytes message(size);
        if (!CryptEncryptMessage(&p, 1, recipients, m_content.data(), static_cast<DWORD>(m_content.size()),
                                 message.data(), &size))
            return {};
        message.resize(size);
        return message;
    }
    // What `openssl cms -decrypt` makes of the message with the recipient's key.
    Bytes decrypted(const Bytes& message) {
        m_peer->write("enveloped.der", message);
        const testkit::RunResult r = m_peer->openssl(
            {"cms", "-decrypt", "-inform", "DER", "-in", "enveloped.der", "-recip", "recipient.pem", "-inkey",
             "recipient.key", "-binary", "-out", "plain.bin", "-provider", "legacy", "-provider", "default"});
        EXPECT_EQ(0, r.exitCode) << r.err;
        return r.exitCode == 0 ? m_peer->read("plain.bin") : Bytes{};
    }
    std::string structure(const Bytes& message) {
        m_peer->write("enveloped.der", message);
        return m_peer->openssl({"asn1parse", "-inform", "DER", "-in", "enveloped.der"}).out;
    }

    std::optional<Peer> m_peer;
    Certificate m_recipient;
    Bytes m_content;
};

}  // namespace

TEST_F(EncryptMessage, Rc2WithEachKeyLengthDecryptsWithOpenssl) {
    // RFC 2268's parameter version of each effective key length.
    const std::pair<DWORD, const char*> lengths[] = {{40, ":A0"}, {64, ":78"}, {128, ":3A"}};
    for (const auto& [bits, version] : lengths) {
        SCOPED_TRACE(bits);
        CMSG_RC2_AUX_INFO aux{sizeof aux, bits};
        const Bytes message = encrypt(para(szOID_RSA_RC2CBC, &aux));
        ASSERT_FALSE(message.empty()) << std::hex << GetLastError();
        EXPECT_EQ(m_content, decrypted(message));
        EXPECT_NE(std::string::npos, structure(message).find("INTEGER           " + std::string(version)));
    }
    const Bytes byDefault = encrypt(para(szOID_RSA_RC2CBC));
    EXPECT_EQ(m_content, decrypted(byDefault));
    EXPECT_NE(std::string::npos, structure(byDefault).find("INTEGER           :A0")) << "40 bits";
}

TEST_F(EncryptMessage, TripleDesDecryptsWithOpensslAndEachMessageHasItsOwnKey) {
    const Bytes first = encrypt(para(szOID_RSA_DES_EDE3_CBC));
    const Bytes second = encrypt(para(szOID_RSA_DES_EDE3_CBC));
    ASSERT_FALSE(first.empty()) << std::hex << GetLastError();
    EXPECT_EQ(m_content, decrypted(first));
    EXPECT_EQ(first.size(), second.size());
    EXPECT_NE(first, second);
    EXPECT_NE(std::string::npos, structure(first).find(":des-ede3-cbc"));
}

TEST_F(EncryptMessage, RefusalsCarryCryptoApisCodes) {
    EXPECT_TRUE(encrypt(para("1.2.840.113549.3.4")).empty()) << "RC4 is not offered";
    EXPECT_EQ(code(CRYPT_E_UNKNOWN_ALGO), GetLastError());
    CMSG_RC2_AUX_INFO aux{sizeof aux, 56};
    EXPECT_TRUE(encrypt(para(szOID_RSA_RC2CBC, &aux)).empty());
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());
    aux = {4, 40};
    EXPECT_TRUE(encrypt(para(szOID_RSA_RC2CBC, &aux)).empty());
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());

    CRYPT_ENCRYPT_MESSAGE_PARA p = para(szOID_RSA_DES_EDE3_CBC);
    DWORD size = 0;
    EXPECT_FALSE(CryptEncryptMessage(&p, 0, nullptr, m_content.data(), 1, nullptr, &size)) << "no recipient";
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());
    p.cbSize = 36;
    EXPECT_TRUE(encrypt(p).empty());
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());

    p = para(szOID_RSA_DES_EDE3_CBC);
    PCCERT_CONTEXT recipients[] = {m_recipient.get()};
    ASSERT_TRUE(CryptEncryptMessage(&p, 1, recipients, m_content.data(), 10, nullptr, &size));
    Bytes shortBuffer(size - 1);
    DWORD room = size - 1;
    EXPECT_FALSE(CryptEncryptMessage(&p, 1, recipients, m_content.data(), 10, shortBuffer.data(), &room));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(size, room);
}
