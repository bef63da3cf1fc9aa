// CryptVerifyMessageSignature and CryptVerifyDetachedMessageSignature over
// messages from `openssl cms -sign` and from our CryptSignMessage alike:
// what passes, and the error each kind of damage gives (as the system maps
// them); RSA with either padding and ECDSA on each curve; the signer-certificate
// callback; the content by the two-call rule; CryptGetMessageCertificates.
#include <algorithm>
#include <ostream>

#include "simple_msg_fixtures.h"

using namespace simple_msg_test;

namespace {

CRYPT_VERIFY_MESSAGE_PARA verifyPara() {
    return {sizeof(CRYPT_VERIFY_MESSAGE_PARA), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, nullptr, nullptr};
}

// 0 when signer `index` verifies, else the error; the signer's certificate
// and the content when asked for.
DWORD verifyError(const Bytes& message, DWORD index = 0, Bytes* content = nullptr, Certificate* signer = nullptr,
                  CRYPT_VERIFY_MESSAGE_PARA para = verifyPara()) {
    DWORD size = 0;
    PCCERT_CONTEXT certificate = nullptr;
    if (!CryptVerifyMessageSignature(&para, index, message.data(), static_cast<DWORD>(message.size()), nullptr, &size,
                                     &certificate))
        return GetLastError();
    CertFreeCertificateContext(certificate);
    Bytes decoded(size);
    if (!CryptVerifyMessageSignature(&para, index, message.data(), static_cast<DWORD>(message.size()), decoded.data(),
                                     &size, &certificate))
        return GetLastError();
    decoded.resize(size);
    if (content) *content = decoded;
    if (signer) signer->reset(certificate);
    else CertFreeCertificateContext(certificate);
    return 0;
}

DWORD verifyDetachedError(const Bytes& message, const Bytes& content, DWORD index = 0) {
    CRYPT_VERIFY_MESSAGE_PARA para = verifyPara();
    const BYTE* blocks[] = {content.data()};
    DWORD sizes[] = {static_cast<DWORD>(content.size())};
    return CryptVerifyDetachedMessageSignature(&para, index, message.data(), static_cast<DWORD>(message.size()), 1,
                                               blocks, sizes, nullptr)
               ? 0
               : GetLastError();
}

// The message with the last occurrence of `from` replaced by `to`, of any
// length (the lengths around it stay as they were).
Bytes replacedLast(Bytes message, const Bytes& from, const Bytes& to) {
    const auto at = std::find_end(message.begin(), message.end(), from.begin(), from.end());
    EXPECT_NE(message.end(), at);
    if (at == message.end()) return message;
    const auto offset = at - message.begin();
    message.erase(at, at + static_cast<std::ptrdiff_t>(from.size()));
    message.insert(message.begin() + offset, to.begin(), to.end());
    return message;
}

// A DER element of the tag around the content.
Bytes tlv(BYTE tag, Bytes content) {
    const std::size_t n = content.size();
    Bytes out{tag};
    if (n >= 0x100) out.insert(out.end(), {0x82, static_cast<BYTE>(n >> 8), static_cast<BYTE>(n)});
    else if (n >= 0x80) out.insert(out.end(), {0x81, static_cast<BYTE>(n)});
    else out.push_back(static_cast<BYTE>(n));
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

// The message with one bit of signer 0's signature value flipped.
Bytes withBadSignature(const Bytes& message, DWORD flags = 0) {
    const msg_test::Msg decoded = msg_test::decoded(message, flags);
    Bytes signature = msg_test::param(decoded.get(), CMSG_ENCRYPTED_DIGEST);
    Bytes flipped = signature;
    flipped[flipped.size() / 2] ^= 0x01;
    return replacedLast(message, signature, flipped);
}

const Bytes kSha256Oid{0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
const Bytes kRsaOid{0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};

Bytes withLastArcChanged(const Bytes& oid) {
    Bytes changed = oid;
    changed.back() = 0x7F;
    return changed;
}

// The same checks for a message of each maker.
class VerifyMessage : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        if (!ours()) {
            m_attached = msg_test::samples().attached;
            m_detached = msg_test::samples().detached;
            m_content = msg_test::samples().content;
            m_plain = msg_test::samples().noAttributes;
            m_signer = hierarchy().commercial.certificate.der();
            return;
        }
        m_peer.emplace(m_root);
        CspSigner signer(testkit::CspKind::Software, m_root, *m_peer);
        m_ca = contextOf(hierarchy().standardCa.certificate.der());
        m_content = {'p', 'a', 'y', 'l', 'o', 'a', 'd'};
        const auto attributes = std::vector<Attribute>{signingTime()};
        m_attached = signMessage(signer.certificate(), m_content, false, attributes, {signer.certificate(), m_ca.get()});
        m_detached = signMessage(signer.certificate(), m_content, true, attributes, {signer.certificate(), m_ca.get()});
        m_plain = signMessage(signer.certificate(), m_content, false, {}, {signer.certificate()});
        m_signer = signer.der();
    }
    bool ours() const { return GetParam(); }

    testkit::PlatformRoot m_root;
    std::optional<Peer> m_peer;
    Certificate m_ca;
    Bytes m_attached, m_detached, m_plain, m_content, m_signer;
};

}  // namespace

TEST_P(VerifyMessage, GoodSignaturesPassWithTheirContentAndSigner) {
    Bytes content;
    Certificate signer;
    ASSERT_EQ(0u, verifyError(m_attached, 0, &content, &signer));
    EXPECT_EQ(m_content, content);
    ASSERT_TRUE(signer);
    EXPECT_EQ(m_signer, bytesOf(signer.get()));
    EXPECT_EQ(0u, verifyDetachedError(m_detached, m_content));
    EXPECT_EQ(code(CRYPT_E_NO_SIGNER), verifyError(m_attached, 1));
    EXPECT_EQ(code(CRYPT_E_NO_SIGNER), verifyDetachedError(m_detached, m_content, 1));
}

TEST_P(VerifyMessage, EachDamageGivesItsError) {
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyError(withBadSignature(m_attached)));
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyDetachedError(withBadSignature(m_detached, CMSG_DETACHED_FLAG), m_content));
    Bytes otherContent = m_content;
    otherContent[0] ^= 0x20;
    EXPECT_EQ(code(CRYPT_E_HASH_VALUE), verifyDetachedError(m_detached, otherContent));
    EXPECT_EQ(code(CRYPT_E_HASH_VALUE), verifyError(replacedLast(m_attached, m_content, otherContent)));
    EXPECT_EQ(code(CRYPT_E_UNKNOWN_ALGO), verifyError(replacedLast(m_attached, kSha256Oid, withLastArcChanged(kSha256Oid))));
    EXPECT_EQ(code(NTE_BAD_ALGID), verifyError(replacedLast(m_attached, kRsaOid, withLastArcChanged(kRsaOid))));

    const Bytes truncated(m_attached.begin(), m_attached.begin() + static_cast<std::ptrdiff_t>(m_attached.size() / 2));
    EXPECT_EQ(code(CRYPT_E_ASN1_EOD), verifyError(truncated));
    EXPECT_EQ(code(CRYPT_E_ASN1_BADTAG), verifyError(Bytes{0x04, 0x01, 0x00}));
    EXPECT_EQ(code(CRYPT_E_UNEXPECTED_MSG_TYPE), verifyError(msg_test::samples().data));
    EXPECT_EQ(code(CRYPT_E_HASH_VALUE), verifyError(m_detached)) << "detached content verified as attached";
}

TEST_P(VerifyMessage, WithoutSignedAttributesTheSignatureGuardsTheContent) {
    EXPECT_EQ(0u, verifyError(m_plain));
    Bytes otherContent = m_content;
    otherContent[0] ^= 0x20;
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyError(replacedLast(m_plain, m_content, otherContent)));
}

// Needs the openssl peer and a fresh platform root.
using Verification = msg_test::MsgTest;

INSTANTIATE_TEST_SUITE_P(Makers, VerifyMessage, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ours" : "Openssl"; });

TEST_F(Verification, EverySignerOfAMessageIsVerifiedByItsIndex) {
    const Bytes& message = msg_test::samples().twoSigners;
    Certificate first, second;
    EXPECT_EQ(0u, verifyError(message, 0, nullptr, &first));
    EXPECT_EQ(0u, verifyError(message, 1, nullptr, &second));
    EXPECT_EQ(code(CRYPT_E_NO_SIGNER), verifyError(message, 2));
    EXPECT_EQ(hierarchy().commercial.certificate.der(), bytesOf(first.get()));
    EXPECT_EQ(hierarchy().qualified.certificate.der(), bytesOf(second.get()));
}

namespace {

// `openssl cms -sign` over `content` by the credential, from the peer's folder.
Bytes opensslSigned(const testkit::OpensslPeer& peer, const pki::Credential& signer, const Bytes& content,
                    const std::vector<std::string>& options) {
    signer.write(peer.folder(), "signer");
    peer.write("content", content);
    std::vector<std::string> args{"cms",        "-sign",  "-binary",    "-in",      "content", "-signer",
                                  "signer.pem", "-inkey", "signer.key", "-outform", "DER"};
    args.insert(args.end(), options.begin(), options.end());
    const testkit::RunResult r = peer.openssl(args);
    EXPECT_EQ(0, r.exitCode) << r.err;
    return Bytes(r.out.begin(), r.out.end());
}

// A signature algorithm: the signer's key and openssl's options for the
// padding and the digest.
struct Algorithm {
    std::string name;
    pki::Key (*key)();
    std::vector<std::string> options;
};
void PrintTo(const Algorithm& a, std::ostream* out) { *out << a.name; }

class SignatureAlgorithms : public msg_test::MsgTest, public ::testing::WithParamInterface<Algorithm> {};

}  // namespace

// Each verifies attached, detached and without signed attributes; a changed
// content byte or signature gives the error it gives with RSA.
TEST_P(SignatureAlgorithms, VerifyAndRefuseChangesAsRsaDoes) {
    const Algorithm& algorithm = GetParam();
    const pki::Credential signer =
        pki::CertificateBuilder()
            .subject(pki::Name{{"CN", "Tesk " + algorithm.name + " Signer"}})
            .key(algorithm.key())
            .issuedBy(hierarchy().standardCa)
            .build();
    const testkit::OpensslPeer peer(root.path() / "peer");
    const Bytes content{'p', 'a', 'y', 'l', 'o', 'a', 'd'};
    const auto sign = [&](std::vector<std::string> options) {
        options.insert(options.end(), algorithm.options.begin(), algorithm.options.end());
        return opensslSigned(peer, signer, content, options);
    };
    const Bytes attached = sign({"-nodetach"});
    const Bytes detached = sign({});
    const Bytes plain = sign({"-nodetach", "-noattr"});

    Bytes out;
    Certificate found;
    ASSERT_EQ(0u, verifyError(attached, 0, &out, &found));
    EXPECT_EQ(content, out);
    EXPECT_EQ(signer.certificate.der(), bytesOf(found.get()));
    EXPECT_EQ(0u, verifyDetachedError(detached, content));
    EXPECT_EQ(0u, verifyError(plain));

    Bytes changed = content;
    changed[3] ^= 0x01;
    EXPECT_EQ(code(CRYPT_E_HASH_VALUE), verifyError(replacedLast(attached, content, changed)));
    EXPECT_EQ(code(CRYPT_E_HASH_VALUE), verifyDetachedError(detached, changed));
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyError(replacedLast(plain, content, changed)));
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyError(withBadSignature(attached)));
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyDetachedError(withBadSignature(detached, CMSG_DETACHED_FLAG), content));
}

INSTANTIATE_TEST_SUITE_P(
    Common, SignatureAlgorithms,
    ::testing::Values(Algorithm{"RsaPkcs1", [] { return pki::Key::rsa(); }, {"-md", "sha256"}},
                      Algorithm{"RsaPss", [] { return pki::Key::rsa(); },
                                {"-md", "sha256", "-keyopt", "rsa_padding_mode:pss"}},
                      Algorithm{"RsaPssKey", [] { return pki::Key::rsaPss(); },
                                {"-md", "sha256", "-keyopt", "rsa_padding_mode:pss"}},
                      Algorithm{"EcdsaP256", [] { return pki::Key::ec("P-256"); }, {"-md", "sha256"}},
                      Algorithm{"EcdsaP384", [] { return pki::Key::ec("P-384"); }, {"-md", "sha384"}},
                      Algorithm{"EcdsaP521", [] { return pki::Key::ec("P-521"); }, {"-md", "sha512"}}),
    [](const auto& info) { return info.param.name; });

// RSASSA-PSS is checked with the mask's hash and the salt length its
// parameters name; a negative salt length, a field that does not decode or
// a mask generation function other than MGF1 is refused as an unknown
// algorithm.
TEST_F(Verification, PssParametersAreHonoured) {
    const testkit::OpensslPeer peer(root.path() / "peer");
    const Bytes message = opensslSigned(peer, hierarchy().commercial, {'x'},
                                        {"-nodetach", "-md", "sha256", "-keyopt", "rsa_padding_mode:pss", "-keyopt",
                                         "rsa_pss_saltlen:32", "-keyopt", "rsa_mgf1_md:sha384"});
    ASSERT_EQ(0u, verifyError(message));
    const Bytes salt{0xA2, 0x03, 0x02, 0x01, 0x20};
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyError(replacedLast(message, salt, {0xA2, 0x03, 0x02, 0x01, 0x21})));
    // OpenSSL would read -1 as "the hash's length", which is 32 here.
    EXPECT_EQ(code(NTE_BAD_ALGID), verifyError(replacedLast(message, salt, {0xA2, 0x03, 0x02, 0x01, 0xFF})));
    EXPECT_EQ(code(NTE_BAD_ALGID), verifyError(replacedLast(message, salt, {0xA2, 0x03, 0x04, 0x01, 0x20})));
    const Bytes mgf1Sha384{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x08, 0x30, 0x0D, 0x06,
                           0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02};
    Bytes mgf1Sha512 = mgf1Sha384;
    mgf1Sha512.back() = 0x03;
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verifyError(replacedLast(message, mgf1Sha384, mgf1Sha512)));
    Bytes otherMgf = mgf1Sha384;
    otherMgf[8] = 0x09;
    EXPECT_EQ(code(NTE_BAD_ALGID), verifyError(replacedLast(message, mgf1Sha384, otherMgf)));
}

// A signer may name its key's algorithm (id-ecPublicKey) where the
// signature's stands (ecdsa-with-SHA256): the signer's digest completes it.
TEST_F(Verification, AnEcKeysAlgorithmSignsWithTheSignersDigest) {
    const pki::Credential signer = pki::CertificateBuilder()
                                       .subject(pki::Name{{"CN", "Tesk EC Key Signer"}})
                                       .key(pki::Key::ec("P-256"))
                                       .issuedBy(hierarchy().standardCa)
                                       .serial({0x12, 0x34})
                                       .build();
    const testkit::OpensslPeer peer(root.path() / "peer");
    const Bytes message = opensslSigned(peer, signer, {'x'}, {"-nodetach", "-md", "sha256"});
    // A serial number one byte shorter and an algorithm one byte longer keep
    // every length around them; the signer is then verified by its index.
    const Certificate certificate = contextOf(signer.certificate.der());
    const auto sid = [&](const Bytes& serial) {
        Bytes content = crypt_test::bytesOf(certificate->pCertInfo->Issuer);
        content.insert(content.end(), serial.begin(), serial.end());
        return tlv(0x30, content);
    };
    const Bytes ecdsaWithSha256{0x30, 0x0A, 0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x04, 0x03, 0x02};
    const Bytes ecPublicKey{0x30, 0x0B, 0x06, 0x07, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01, 0x05, 0x00};
    const Bytes renamed = replacedLast(replacedLast(message, sid({0x02, 0x02, 0x12, 0x34}), sid({0x02, 0x01, 0x12})),
                                       ecdsaWithSha256, ecPublicKey);
    ASSERT_EQ(message.size(), renamed.size());
    const msg_test::Msg decoded = msg_test::decoded(renamed);
    EXPECT_EQ(0u, msg_test::verifyByIndex(decoded.get(), 0, CMSG_VERIFY_SIGNER_CERT, certificate.get()));
}

namespace {

struct Lookup {
    Certificate answer;
    DWORD error = 0;
    Bytes askedIssuer, askedSerial;
    DWORD storeCertificates = 0;
};

PCCERT_CONTEXT lookUp(void* arg, DWORD, PCERT_INFO signerId, HCERTSTORE messageStore) {
    auto& lookup = *static_cast<Lookup*>(arg);
    lookup.askedIssuer = crypt_test::bytesOf(signerId->Issuer);
    lookup.askedSerial = crypt_test::bytesOf(signerId->SerialNumber);
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(messageStore, c));) ++lookup.storeCertificates;
    if (!lookup.answer) SetLastError(lookup.error);
    return lookup.answer ? CertDuplicateCertificateContext(lookup.answer.get()) : nullptr;
}

}  // namespace

TEST_F(Verification, TheSignersCertificateComesFromTheMessageOrTheCallback) {
    const Peer peer(root);
    const CspSigner signer(testkit::CspKind::Software, root, peer);
    const Certificate ca = contextOf(hierarchy().standardCa.certificate.der());
    const Bytes content{'x'};
    const Bytes message = signMessage(signer.certificate(), content, false, {}, {ca.get()});
    EXPECT_EQ(code(CRYPT_E_NOT_FOUND), verifyError(message));

    Lookup lookup;
    lookup.error = code(NTE_BAD_KEYSET);
    CRYPT_VERIFY_MESSAGE_PARA para = verifyPara();
    para.pfnGetSignerCertificate = lookUp;
    para.pvGetArg = &lookup;
    EXPECT_EQ(code(NTE_BAD_KEYSET), verifyError(message, 0, nullptr, nullptr, para));
    lookup.error = 0;
    EXPECT_EQ(code(CRYPT_E_NOT_FOUND), verifyError(message, 0, nullptr, nullptr, para));

    lookup.answer = contextOf(signer.der());
    lookup.storeCertificates = 0;
    Certificate found;
    EXPECT_EQ(0u, verifyError(message, 0, nullptr, &found, para));
    EXPECT_EQ(signer.der(), bytesOf(found.get()));
    EXPECT_EQ(crypt_test::bytesOf(signer.certificate()->pCertInfo->Issuer), lookup.askedIssuer);
    EXPECT_EQ(crypt_test::bytesOf(signer.certificate()->pCertInfo->SerialNumber), lookup.askedSerial);
    EXPECT_EQ(2u, lookup.storeCertificates) << "the message's store, once per call";
}

TEST_F(Verification, TheContentFollowsTheTwoCallRuleAndFailuresLeaveNothing) {
    const Bytes& message = msg_test::samples().attached;
    CRYPT_VERIFY_MESSAGE_PARA para = verifyPara();
    BYTE content[3];
    DWORD size = sizeof content;
    PCCERT_CONTEXT signer = reinterpret_cast<PCCERT_CONTEXT>(&para);
    EXPECT_FALSE(CryptVerifyMessageSignature(&para, 0, message.data(), static_cast<DWORD>(message.size()), content,
                                             &size, &signer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(msg_test::samples().content.size(), size);
    EXPECT_EQ(nullptr, signer);

    const Bytes bad = withBadSignature(message);
    size = sizeof content;
    signer = reinterpret_cast<PCCERT_CONTEXT>(&para);
    EXPECT_FALSE(
        CryptVerifyMessageSignature(&para, 0, bad.data(), static_cast<DWORD>(bad.size()), nullptr, &size, &signer));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(nullptr, signer);
    EXPECT_EQ(0u, verifyError(message, 0, nullptr, nullptr)) << "no content asked for";

    para.cbSize = 16;
    EXPECT_EQ(code(E_INVALIDARG), verifyError(message, 0, nullptr, nullptr, para));
}

TEST_F(Verification, MessageCertificatesOpenAsAStore) {
    const Bytes& message = msg_test::samples().attached;
    const HCERTSTORE store = CryptGetMessageCertificates(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, message.data(),
                                                         static_cast<DWORD>(message.size()));
    ASSERT_NE(nullptr, store) << std::hex << GetLastError();
    std::vector<Bytes> certificates;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c));) certificates.push_back(bytesOf(c));
    EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
    EXPECT_EQ(3u, certificates.size());
    EXPECT_NE(certificates.end(),
              std::find(certificates.begin(), certificates.end(), hierarchy().commercial.certificate.der()));
    EXPECT_EQ(nullptr, CryptGetMessageCertificates(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, message.data(), 10));
}
