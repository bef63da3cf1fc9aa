// CryptSignMessage with a software key and with a SoftHSM2 token key: the
// system's signed attributes, attached and detached, judged by `openssl
// cms -verify`; CryptoAPI's layout (only the attributes and certificates
// asked for, SignerInfo version 1); a time-stamp token added afterwards;
// size queries that never touch the key; the key's failures.
#include "simple_msg_fixtures.h"

using namespace simple_msg_test;
using testkit::CspKind;

namespace {

class SignMessage : public ::testing::TestWithParam<CspKind> {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        if (GetParam() == CspKind::SoftHsmToken) TESTKIT_REQUIRE_SOFTHSM();
        m_peer.emplace(m_root);
        m_signer.emplace(GetParam(), m_root, *m_peer);
        m_prompts.emplace();  // a token's PIN is asked at each signature
    }
    // A card asks for its PIN at each signature; a software key never does.
    void expectSignature() {
        if (m_signer->token()) m_prompts->answer(m_signer->token()->options().pin);
    }
    Bytes sign(bool detached, std::vector<Attribute> attributes, std::vector<PCCERT_CONTEXT> certificates = {}) {
        expectSignature();
        Bytes message = signMessage(m_signer->certificate(), m_content, detached, std::move(attributes),
                                    std::move(certificates));
        EXPECT_FALSE(message.empty()) << std::hex << GetLastError();
        return message;
    }
    PCCERT_CONTEXT ca() {
        if (!m_ca) m_ca = contextOf(hierarchy().standardCa.certificate.der());
        return m_ca.get();
    }

    testkit::PlatformRoot m_root;
    std::optional<Peer> m_peer;
    std::optional<CspSigner> m_signer;
    std::optional<testkit::PinPrompts> m_prompts;
    Certificate m_ca;
    Bytes m_content{'s', 'i', 'g', 'n', 'e', 'd', ' ', 't', 'e', 'x', 't', '\n', 0, 0xFF};
};

std::vector<std::string> attributeOids(HCRYPTMSG msg) {
    const Bytes block = msg_test::param(msg, CMSG_SIGNER_AUTH_ATTR_PARAM);
    const auto& attributes = msg_test::recordIn<CRYPT_ATTRIBUTES>(block);
    std::vector<std::string> oids;
    for (DWORD i = 0; i < attributes.cAttr; ++i) oids.emplace_back(attributes.rgAttr[i].pszObjId);
    return oids;
}

// The attributes' encodings, each as CryptEncodeObject makes it, in the
// order the message holds them.
std::vector<Bytes> attributeEncodings(HCRYPTMSG msg) {
    const Bytes block = msg_test::param(msg, CMSG_SIGNER_AUTH_ATTR_PARAM);
    const auto& attributes = msg_test::recordIn<CRYPT_ATTRIBUTES>(block);
    std::vector<Bytes> encodings;
    for (DWORD i = 0; i < attributes.cAttr; ++i)
        encodings.push_back(crypt_test::encode(PKCS_ATTRIBUTE, &attributes.rgAttr[i]));
    return encodings;
}

// The content octets of one short- or long-form TLV.
Bytes contentOf(const Bytes& tlv) {
    const std::size_t header = 2 + (tlv.at(1) & 0x80 ? tlv[1] & 0x7F : 0);
    return Bytes(tlv.begin() + static_cast<std::ptrdiff_t>(header), tlv.end());
}

}  // namespace

TEST_P(SignMessage, TheSystemsSignedAttributesPassOpensslAttachedAndDetached) {
    for (const bool detached : {false, true}) {
        SCOPED_TRACE(detached ? "detached" : "attached");
        const Bytes message = sign(detached, systemAttributes(m_signer->certificate()), {m_signer->certificate(), ca()});
        EXPECT_EQ("", m_peer->verifyFails(message, m_content, detached));
        const msg_test::Msg decoded = msg_test::decoded(message, detached ? CMSG_DETACHED_FLAG : 0);
        EXPECT_EQ(detached ? Bytes{} : m_content, msg_test::param(decoded.get(), CMSG_CONTENT_PARAM));
    }
}

TEST_P(SignMessage, TheSignedAttributesAreThoseAskedForWithContentTypeAndDigestInDerOrder) {
    std::vector<Attribute> asked = systemAttributes(m_signer->certificate());
    const Bytes message = sign(false, asked);
    const msg_test::Msg decoded = msg_test::decoded(message);

    std::vector<std::string> oids = attributeOids(decoded.get());
    std::vector<std::string> expected{szOID_RSA_contentType, szOID_RSA_messageDigest};
    for (const Attribute& a : asked) expected.push_back(a.oid);
    std::sort(oids.begin(), oids.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, oids);

    const std::vector<Bytes> encodings = attributeEncodings(decoded.get());
    EXPECT_TRUE(std::is_sorted(encodings.begin(), encodings.end()));
    for (Attribute& a : asked) {
        const Bytes encoding = crypt_test::encode(PKCS_ATTRIBUTE, &a.get());
        EXPECT_NE(encodings.end(), std::find(encodings.begin(), encodings.end(), encoding)) << a.oid;
    }
    // messageDigest is the SHA-256 of the content.
    Attribute digest(szOID_RSA_messageDigest, octetString(digestOf(CALG_SHA_256, m_content)));
    const Bytes digestAttribute = crypt_test::encode(PKCS_ATTRIBUTE, &digest.get());
    EXPECT_NE(encodings.end(), std::find(encodings.begin(), encodings.end(), digestAttribute));
}

TEST_P(SignMessage, WithoutAttributesItIsCryptoApisPlainLayout) {
    const Bytes message = sign(true, {});
    EXPECT_EQ("", m_peer->verifyFails(message, m_content, true, "root-and-ca.pem", "signer.pem"));
    const msg_test::Msg decoded = msg_test::decoded(message, CMSG_DETACHED_FLAG);
    EXPECT_EQ(code(CRYPT_E_ATTRIBUTES_MISSING), msg_test::paramError(decoded.get(), CMSG_SIGNER_AUTH_ATTR_PARAM));
    EXPECT_EQ(0u, msg_test::dwordParam(decoded.get(), CMSG_CERT_COUNT_PARAM));

    const Bytes block = msg_test::param(decoded.get(), CMSG_SIGNER_INFO_PARAM);
    const auto& info = msg_test::recordIn<CMSG_SIGNER_INFO>(block);
    EXPECT_EQ(CMSG_SIGNER_INFO_PKCS_1_5_VERSION, info.dwVersion);
    EXPECT_EQ(crypt_test::bytesOf(m_signer->certificate()->pCertInfo->Issuer), crypt_test::bytesOf(info.Issuer));
    EXPECT_EQ(crypt_test::bytesOf(m_signer->certificate()->pCertInfo->SerialNumber),
              crypt_test::bytesOf(info.SerialNumber));
    EXPECT_STREQ(szOID_NIST_sha256, info.HashAlgorithm.pszObjId);
    EXPECT_EQ((Bytes{0x05, 0x00}), crypt_test::bytesOf(info.HashAlgorithm.Parameters));
    EXPECT_STREQ(szOID_RSA_RSA, info.HashEncryptionAlgorithm.pszObjId);
    EXPECT_EQ(256u, info.EncryptedHash.cbData);
}

TEST_P(SignMessage, CarriesExactlyTheListedCertificatesInTheirOrder) {
    const Bytes message = sign(false, {signingTime()}, {ca(), m_signer->certificate()});
    EXPECT_EQ("", m_peer->verifyFails(message, m_content, false));
    const msg_test::Msg decoded = msg_test::decoded(message);
    ASSERT_EQ(2u, msg_test::dwordParam(decoded.get(), CMSG_CERT_COUNT_PARAM));
    EXPECT_EQ(bytesOf(ca()), msg_test::param(decoded.get(), CMSG_CERT_PARAM, 0));
    EXPECT_EQ(m_signer->der(), msg_test::param(decoded.get(), CMSG_CERT_PARAM, 1));
}

TEST_P(SignMessage, ATimeStampTokenAddedLaterLeavesTheSignedBytesAndOpensslsVerdict) {
    const Bytes message = sign(false, systemAttributes(m_signer->certificate()), {m_signer->certificate(), ca()});
    const msg_test::Msg decoded = msg_test::decoded(message);
    const Bytes signerBefore = msg_test::param(decoded.get(), CMSG_ENCODED_SIGNER);

    // A token from `openssl ts -reply` over the signature value, as a
    // signature time stamp is made.
    m_peer->write("signature.bin", msg_test::param(decoded.get(), CMSG_ENCRYPTED_DIGEST));
    hierarchy().tsa.write(m_peer->folder(), "tsa");
    testkit::writeFile(m_peer->folder() / "tsa.serial", "01\n");
    testkit::writeFile(m_peer->folder() / "tsa.cnf",
                       "[tsa]\ndefault_tsa=t\n[t]\nserial=tsa.serial\nsigner_digest=sha256\n"
                       "default_policy=1.3.6.1.4.1.32473.5.1\ndigests=sha256\ness_cert_id_alg=sha256\n");
    ASSERT_EQ(0, m_peer->openssl({"ts", "-query", "-data", "signature.bin", "-sha256", "-cert", "-out", "q.tsq"})
                     .exitCode);
    const testkit::RunResult reply =
        m_peer->openssl({"ts", "-reply", "-config", "tsa.cnf", "-queryfile", "q.tsq", "-signer", "tsa.pem", "-inkey",
                         "tsa.key", "-token_out", "-out", "token.der"});
    ASSERT_EQ(0, reply.exitCode) << reply.err;
    Attribute token(kTimeStampToken, m_peer->read("token.der"));
    const Bytes encodedAttribute = crypt_test::encode(PKCS_ATTRIBUTE, &token.get());

    CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR_PARA add{sizeof add, 0, crypt_test::blobOf(encodedAttribute)};
    ASSERT_TRUE(CryptMsgControl(decoded.get(), 0, CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR, &add)) << std::hex
                                                                                            << GetLastError();
    const Bytes stamped = msg_test::param(decoded.get(), CMSG_ENCODED_MESSAGE);
    EXPECT_EQ("", m_peer->verifyFails(stamped, m_content, false));

    // The SignerInfo only grew by its [1] attributes.
    const Bytes before = contentOf(signerBefore);
    const Bytes after = contentOf(msg_test::param(decoded.get(), CMSG_ENCODED_SIGNER));
    ASSERT_GT(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
    EXPECT_EQ(0xA1, after[before.size()]);
    const Bytes block = msg_test::param(decoded.get(), CMSG_SIGNER_UNAUTH_ATTR_PARAM);
    const auto& attributes = msg_test::recordIn<CRYPT_ATTRIBUTES>(block);
    ASSERT_EQ(1u, attributes.cAttr);
    EXPECT_STREQ(kTimeStampToken, attributes.rgAttr[0].pszObjId);
    EXPECT_EQ(token.value, crypt_test::bytesOf(attributes.rgAttr[0].rgValue[0]));
}

TEST_P(SignMessage, SizeQueriesAndShortBuffersNeverUseTheKey) {
    CRYPT_SIGN_MESSAGE_PARA para{};
    para.cbSize = sizeof para;
    para.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    para.pSigningCert = m_signer->certificate();
    para.HashAlgorithm.pszObjId = const_cast<LPSTR>(szOID_NIST_sha256);
    const BYTE* blocks[] = {m_content.data()};
    DWORD sizes[] = {static_cast<DWORD>(m_content.size())};
    DWORD size = 0;
    ASSERT_TRUE(CryptSignMessage(&para, FALSE, 1, blocks, sizes, nullptr, &size)) << std::hex << GetLastError();
    Bytes message(size);
    DWORD shortSize = size - 1;
    EXPECT_FALSE(CryptSignMessage(&para, FALSE, 1, blocks, sizes, message.data(), &shortSize));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(size, shortSize);
    EXPECT_TRUE(m_prompts->shown().empty());

    expectSignature();
    DWORD roomy = size + 100;
    message.resize(roomy);
    ASSERT_TRUE(CryptSignMessage(&para, FALSE, 1, blocks, sizes, message.data(), &roomy));
    EXPECT_EQ(size, roomy);
    EXPECT_EQ(m_signer->token() ? 1u : 0u, m_prompts->shown().size());
}

TEST_P(SignMessage, RefusalsCarryCryptoApisCodes) {
    const Certificate bare = contextOf(m_signer->der());
    EXPECT_TRUE(signMessage(bare.get(), m_content, false).empty());
    EXPECT_EQ(code(CRYPT_E_NO_KEY_PROPERTY), GetLastError());

    CRYPT_SIGN_MESSAGE_PARA para{};
    para.cbSize = sizeof para - 4;
    DWORD size = 0;
    EXPECT_FALSE(CryptSignMessage(&para, FALSE, 0, nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());
    para.cbSize = sizeof para;
    para.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    para.pSigningCert = m_signer->certificate();
    para.HashAlgorithm.pszObjId = const_cast<LPSTR>(szOID_NIST_sha256);
    const BYTE* blocks[] = {m_content.data(), m_content.data()};
    DWORD sizes[] = {1, 2};
    EXPECT_FALSE(CryptSignMessage(&para, FALSE, 2, blocks, sizes, nullptr, &size)) << "attached takes one block";
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());
    EXPECT_TRUE(m_prompts->shown().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryCsp, SignMessage, ::testing::Values(CspKind::Software, CspKind::SoftHsmToken),
                         ::testing::PrintToStringParamName());

// The card's own answers to its PIN come back from CryptSignMessage as they are.
class SignMessageOnCard : public SignMessage {};

TEST_P(SignMessageOnCard, PinOutcomesComeBackAsTheCardsCodes) {
    m_prompts->answer("0000");
    EXPECT_TRUE(signMessage(m_signer->certificate(), m_content, false).empty());
    EXPECT_EQ(code(SCARD_E_INVALID_CHV), GetLastError());
    m_prompts->cancel();
    EXPECT_TRUE(signMessage(m_signer->certificate(), m_content, false).empty());
    EXPECT_EQ(code(SCARD_W_CANCELLED_BY_USER), GetLastError());
    EXPECT_EQ(0u, m_prompts->unused());
}

INSTANTIATE_TEST_SUITE_P(Card, SignMessageOnCard, ::testing::Values(CspKind::SoftHsmToken),
                         ::testing::PrintToStringParamName());
