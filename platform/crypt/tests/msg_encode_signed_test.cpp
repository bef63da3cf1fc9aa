// CryptMsgOpenToEncode for signed messages: signers on the caller's own
// provider handles (a software key and a token key in one message), CRLs,
// content in pieces, the read-back of what was made, and the refusals.
#include "simple_msg_fixtures.h"
#include "win32/crypt_provider.h"

using namespace simple_msg_test;

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// A context of the signer's container, the PIN set on it for a token.
struct SignerContext {
    HCRYPTPROV handle = 0;
    SignerContext(const char16_t* container, const char16_t* provider, DWORD type, const std::string* pin) {
        EXPECT_TRUE(CryptAcquireContextW(&handle, container, provider, type, 0)) << std::hex << GetLastError();
        if (pin) CryptSetProvParam(handle, PP_SIGNATURE_PIN, reinterpret_cast<const BYTE*>(pin->c_str()), 0);
    }
    ~SignerContext() { CryptReleaseContext(handle, 0); }
};

CMSG_SIGNER_ENCODE_INFO signerInfo(PCCERT_CONTEXT certificate, HCRYPTPROV provider, LPCSTR hash,
                                   std::vector<CRYPT_ATTRIBUTE>& attributes) {
    CMSG_SIGNER_ENCODE_INFO info{};
    info.cbSize = sizeof info;
    info.pCertInfo = certificate->pCertInfo;
    info.hCryptProv = provider;
    info.dwKeySpec = AT_SIGNATURE;
    info.HashAlgorithm.pszObjId = const_cast<LPSTR>(hash);
    info.cAuthAttr = static_cast<DWORD>(attributes.size());
    info.rgAuthAttr = attributes.data();
    return info;
}

// Opens, feeds the pieces (the last one final) and reads CMSG_CONTENT_PARAM;
// empty with the test failed when a step fails.
Bytes encoded(CMSG_SIGNED_ENCODE_INFO& info, DWORD flags, const std::vector<Bytes>& pieces) {
    const msg_test::Msg msg(CryptMsgOpenToEncode(kEncoding, flags, CMSG_SIGNED, &info, nullptr, nullptr));
    if (!msg) {
        ADD_FAILURE() << "open failed with 0x" << std::hex << GetLastError();
        return {};
    }
    for (std::size_t i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(0u, msg_test::updateError(msg.get(), pieces[i], i + 1 == pieces.size()));
    return msg_test::param(msg.get(), CMSG_CONTENT_PARAM);
}

// The error of opening and finishing a message with one signer (0 when it works).
DWORD signingError(CMSG_SIGNER_ENCODE_INFO signer, LPSTR innerType = nullptr) {
    CMSG_SIGNED_ENCODE_INFO info{sizeof info, 1, &signer, 0, nullptr, 0, nullptr};
    const msg_test::Msg msg(CryptMsgOpenToEncode(kEncoding, 0, CMSG_SIGNED, &info, innerType, nullptr));
    if (!msg) return GetLastError();
    return msg_test::updateError(msg.get(), {'x'});
}

class EncodeSigned : public msg_test::MsgTest {
protected:
    void SetUp() override {
        MsgTest::SetUp();
        if (IsSkipped()) return;
        m_peer.emplace(root);
        m_signer.emplace(testkit::CspKind::Software, root, *m_peer);
        m_ca = contextOf(hierarchy().standardCa.certificate.der());
    }
    SignerContext softwareContext() const {
        return {u"signer", u"Microsoft Enhanced RSA and AES Cryptographic Provider", PROV_RSA_AES, nullptr};
    }

    std::optional<Peer> m_peer;
    std::optional<CspSigner> m_signer;
    Certificate m_ca;
};

}  // namespace

TEST_F(EncodeSigned, ASoftwareAndATokenSignerOnTheCallersHandlesBothPassOpenssl) {
    TESTKIT_REQUIRE_SOFTHSM();
    const CspSigner card(testkit::CspKind::SoftHsmToken, root, *m_peer, "0x0C");
    const SignerContext software = softwareContext();
    const std::string pin = card.token()->options().pin;
    const SignerContext token(u"signer", card.token()->options().provider.c_str(), PROV_RSA_FULL, &pin);

    std::vector<CRYPT_ATTRIBUTE> none;
    Attribute time = signingTime();
    std::vector<CRYPT_ATTRIBUTE> timed{time.get()};
    CMSG_SIGNER_ENCODE_INFO signers[] = {signerInfo(m_signer->certificate(), software.handle, szOID_OIWSEC_sha1, none),
                                         signerInfo(card.certificate(), token.handle, szOID_NIST_sha256, timed)};
    CERT_BLOB certificates[] = {{m_signer->certificate()->cbCertEncoded, m_signer->certificate()->pbCertEncoded},
                                {card.certificate()->cbCertEncoded, card.certificate()->pbCertEncoded},
                                {m_ca->cbCertEncoded, m_ca->pbCertEncoded}};
    Bytes crl = pki::CrlBuilder(hierarchy().standardCa).build().der();
    CRL_BLOB crls[] = {crypt_test::blobOf(crl)};
    CMSG_SIGNED_ENCODE_INFO info{sizeof info, 2, signers, 3, certificates, 1, crls};

    const Bytes content{'o', 'n', 'e', ' ', 't', 'w', 'o', ' ', 't', 'h', 'r', 'e', 'e'};
    const Bytes message = encoded(info, CMSG_DETACHED_FLAG, {{'o', 'n', 'e'}, {' ', 't', 'w', 'o', ' '}, {'t', 'h', 'r', 'e', 'e'}});
    EXPECT_EQ("", m_peer->verifyFails(message, content, true));

    const msg_test::Msg decoded = msg_test::decoded(message, CMSG_DETACHED_FLAG);
    EXPECT_EQ(0u, msg_test::updateError(decoded.get(), content));
    EXPECT_EQ(2u, msg_test::dwordParam(decoded.get(), CMSG_SIGNER_COUNT_PARAM));
    EXPECT_EQ(crl, msg_test::param(decoded.get(), CMSG_CRL_PARAM, 0));
    EXPECT_EQ(code(CRYPT_E_ATTRIBUTES_MISSING), msg_test::paramError(decoded.get(), CMSG_SIGNER_AUTH_ATTR_PARAM, 0));
    EXPECT_EQ(0u, msg_test::paramError(decoded.get(), CMSG_SIGNER_AUTH_ATTR_PARAM, 1));
    for (DWORD i = 0; i < 2; ++i) {
        CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA verify{sizeof verify, 0, i, CMSG_VERIFY_SIGNER_CERT,
                                                  const_cast<CERT_CONTEXT*>(i ? card.certificate()
                                                                              : m_signer->certificate())};
        EXPECT_TRUE(CryptMsgControl(decoded.get(), 0, CMSG_CTRL_VERIFY_SIGNATURE_EX, &verify)) << i;
    }
}

TEST_F(EncodeSigned, ContentInPiecesMakesTheBytesOfOneUpdateAndReadsBackAsDecoded) {
    const SignerContext software = softwareContext();
    Attribute policy = signaturePolicy();
    std::vector<CRYPT_ATTRIBUTE> attributes{policy.get()};
    CMSG_SIGNER_ENCODE_INFO signer = signerInfo(m_signer->certificate(), software.handle, szOID_NIST_sha256, attributes);
    CMSG_SIGNED_ENCODE_INFO info{sizeof info, 1, &signer, 0, nullptr, 0, nullptr};

    const Bytes whole = encoded(info, 0, {{'a', 'b', 'c', 'd'}});
    EXPECT_EQ(whole, encoded(info, 0, {{'a'}, {}, {'b', 'c'}, {'d'}})) << "PKCS #1 v1.5 signatures are deterministic";

    const msg_test::Msg msg(CryptMsgOpenToEncode(kEncoding, 0, CMSG_SIGNED, &info, nullptr, nullptr));
    EXPECT_EQ(code(CRYPT_E_STREAM_MSG_NOT_READY), msg_test::paramError(msg.get(), CMSG_CONTENT_PARAM));
    EXPECT_EQ(0u, msg_test::updateError(msg.get(), {'a', 'b', 'c', 'd'}));
    EXPECT_EQ(code(CRYPT_E_MSG_ERROR), msg_test::updateError(msg.get(), {'e'}));
    EXPECT_EQ(CMSG_SIGNED, msg_test::dwordParam(msg.get(), CMSG_TYPE_PARAM));
    EXPECT_EQ(1u, msg_test::dwordParam(msg.get(), CMSG_SIGNER_COUNT_PARAM));
    EXPECT_EQ(code(CRYPT_E_INVALID_MSG_TYPE), msg_test::paramError(msg.get(), CMSG_COMPUTED_HASH_PARAM));
}

TEST_F(EncodeSigned, RefusalsComeAtOpenOrAtTheSignature) {
    const SignerContext software = softwareContext();
    std::vector<CRYPT_ATTRIBUTE> none;
    const CMSG_SIGNER_ENCODE_INFO good = signerInfo(m_signer->certificate(), software.handle, szOID_NIST_sha256, none);
    EXPECT_EQ(0u, signingError(good));

    CMSG_SIGNER_ENCODE_INFO bad = good;
    bad.cbSize = 16;
    EXPECT_EQ(code(E_INVALIDARG), signingError(bad));
    bad = good;
    bad.HashAlgorithm.pszObjId = const_cast<LPSTR>("1.2.3.4");
    EXPECT_EQ(code(CRYPT_E_UNKNOWN_ALGO), signingError(bad));
    EXPECT_EQ(code(E_INVALIDARG), signingError(good, const_cast<LPSTR>("1.2.840.113549.1.7.5")));

    HCRYPTPROV strong = 0;  // SHA-1 only, and a verify context holds no key
    ASSERT_TRUE(CryptAcquireContextA(&strong, nullptr, MS_STRONG_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    bad = good;
    bad.hCryptProv = strong;
    EXPECT_EQ(code(NTE_BAD_ALGID), signingError(bad));
    bad.HashAlgorithm.pszObjId = const_cast<LPSTR>(szOID_OIWSEC_sha1);
    EXPECT_EQ(code(NTE_NO_KEY), signingError(bad));
    CryptReleaseContext(strong, 0);

    CMSG_SIGNED_ENCODE_INFO info{sizeof info, 0, nullptr, 0, nullptr, 0, nullptr};
    EXPECT_FALSE(CryptMsgOpenToEncode(X509_ASN_ENCODING, 0, CMSG_SIGNED, &info, nullptr, nullptr));
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());
    EXPECT_FALSE(CryptMsgOpenToEncode(kEncoding, 0, CMSG_HASHED, &info, nullptr, nullptr));
    EXPECT_EQ(code(CRYPT_E_INVALID_MSG_TYPE), GetLastError());
    info.cbSize = 8;
    EXPECT_FALSE(CryptMsgOpenToEncode(kEncoding, 0, CMSG_SIGNED, &info, nullptr, nullptr));
    EXPECT_EQ(code(E_INVALIDARG), GetLastError());
}
