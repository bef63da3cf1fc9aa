// Signing a buffer with a software key: the messages `openssl cms -verify`
// accepts, their signed attributes and certificates byte for byte as
// `openssl asn1parse` finds them, what a signature policy refuses or adds,
// the error numbers of the failures, and time-stamp tokens added afterwards.
#include "common/cms_sign.h"

#include <algorithm>
#include <sstream>

#include "cms_sign_support.h"
#include "common/cryptoapi.h"
#include "common/pkcs7.h"
#include "common/sign_policy_decoder.h"
#include "pkcs7_fixtures.h"
#include "sign_policy_fixture.h"
#include "win32/crypt_store.h"

namespace {

using namespace cms_sign_test;
using pkcs7_test::attribute;
using pkcs7_test::digestOf;
using pkcs7_test::octets;
using pkcs7_test::oid;
using pkcs7_test::sequence;
using pkcs7_test::tlv;

using byte_strings::kContentType;
using byte_strings::kMessageDigest;
using byte_strings::kSignaturePolicyId;
using byte_strings::kSigningCertificate;
using byte_strings::kSigningCertificateV2;
using byte_strings::kSigningTime;

class CmsSignTest : public policy_test::PolicyTest {
protected:
    void SetUp() override {
        PolicyTest::SetUp();
        m_signer.emplace(testkit::CspKind::Software, m_machine, m_peer);
    }

    const CertInfo& signer() const { return m_signer->record(); }

    DWORD Sign(DWORD flags, Bytes& out, const SignPolicyInfo* policy = nullptr, const std::string& hashOid = kSha256) {
        return TCryptoapi::SignBufferWithCert(signer(), {recordOf(hierarchy().standardCa.certificate)}, hashOid, flags,
                                              m_content, out, policy);
    }

    // The qualified policy of the policy tests, or a variant of it.
    SignPolicyInfo Policy(const std::vector<policy_test::Edit>& edits = {}) {
        const Bytes der = Make("qualified.cnf", edits);
        SignPolicyInfo policy;
        EXPECT_TRUE(DecodeSignPolicyBuffer(der.data(), static_cast<DWORD>(der.size()), policy));
        return policy;
    }

    // Each signed attribute's DER in the order of the message.
    std::vector<Bytes> SignedAttributes(const Bytes& message) {
        const std::vector<policy_test::ParsedElement> elements = Parse(message);
        // ContentInfo, [0], SignedData, signerInfos, SignerInfo, then [0] signedAttrs.
        const auto set = std::find_if(elements.begin(), elements.end(), [](const policy_test::ParsedElement& e) {
            return e.depth == 5 && e.text.starts_with("cons: cont [ 0 ]");
        });
        std::vector<Bytes> attributes;
        for (auto e = set == elements.end() ? set : set + 1; e != elements.end() && e->depth > 5; ++e)
            if (e->depth == 6) attributes.push_back(e->tlv(message));
        return attributes;
    }

    // The OIDs of the signed attributes, sorted.
    std::vector<Bytes> SignedAttributeOids(const Bytes& message) {
        std::vector<Bytes> oids;
        for (const Bytes& a : SignedAttributes(message)) {
            const std::size_t header = a[1] < 0x80 ? 2 : 2 + (a[1] & 0x7F);
            oids.emplace_back(a.begin() + header, a.begin() + header + 2 + a[header + 1]);
        }
        std::sort(oids.begin(), oids.end());
        return oids;
    }
    static std::vector<Bytes> OidsOf(const std::vector<std::string>& dotted) {
        std::vector<Bytes> oids;
        for (const std::string& o : dotted) oids.push_back(oid(o));
        std::sort(oids.begin(), oids.end());
        return oids;
    }

    std::vector<std::string> CarriedSubjects(const Bytes& message) {
        m_peer.write("carried.der", message);
        std::vector<std::string> subjects;
        std::istringstream lines(
            m_peer.output({"pkcs7", "-inform", "DER", "-in", "carried.der", "-print_certs", "-noout"}));
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("subject=")) subjects.push_back(line);
        return subjects;
    }

    // The subject line openssl prints for a certificate file of the peer.
    std::string SubjectOf(const std::string& file) {
        const std::string line = m_peer.output({"x509", "-in", file, "-noout", "-subject"});
        return line.substr(0, line.find('\n'));
    }

    testkit::PlatformRoot m_machine;
    Peer m_peer{m_machine.path() / "peer"};
    std::optional<Signer> m_signer;
    Bytes m_content = bytesOf("Žádost o obnovení certifikátu\r\n");
};

// As CryptoAPI signs: no signed attributes unless some are asked for, and
// then contentType and messageDigest with them, sorted as DER sorts a SET OF.
// Every message verifies against the root, attached and detached.
TEST_F(CmsSignTest, SignedAttributesAreThoseOfTheFlagsInDerOrder) {
    Bytes detached;
    ASSERT_EQ(0u, Sign(kSignDetached, detached));
    EXPECT_TRUE(SignedAttributes(detached).empty());
    EXPECT_EQ("", m_peer.verifyFails(detached, m_content, true, "signer.pem"));
    EXPECT_EQ(detached.end(), std::search(detached.begin(), detached.end(), m_content.begin(), m_content.end()));
    ASSERT_EQ(0u, Sign(kSignDetached | kSignSigningTime | kSignSigningCert | kSignSigningCertV2, detached));
    EXPECT_EQ("", m_peer.verifyFails(detached, m_content, true, "signer.pem"));

    const std::vector<std::pair<DWORD, std::vector<std::string>>> cases{
        {kSignSigningTime, {kSigningTime}},
        {kSignSigningCert, {kSigningCertificate}},
        {kSignSigningCertV2, {kSigningCertificateV2}},
        {kSignSigningTime | kSignSigningCert | kSignSigningCertV2,
         {kSigningTime, kSigningCertificate, kSigningCertificateV2}},
    };
    for (const auto& [flags, asked] : cases) {
        Bytes message;
        ASSERT_EQ(0u, Sign(flags, message));
        std::vector<std::string> expected{kContentType, kMessageDigest};
        expected.insert(expected.end(), asked.begin(), asked.end());
        EXPECT_EQ(OidsOf(expected), SignedAttributeOids(message)) << flags;
        const std::vector<Bytes> attributes = SignedAttributes(message);
        EXPECT_TRUE(std::is_sorted(attributes.begin(), attributes.end())) << flags;
        EXPECT_EQ("", m_peer.verifyFails(message, m_content, false, "signer.pem")) << flags;
    }
}

// ESSCertID with the SHA-1 hash alone; ESSCertIDv2 without its hash
// algorithm (SHA-256 by default), then IssuerSerial { [4] Name, serial }.
TEST_F(CmsSignTest, SigningCertificatesNameTheSignerByItsHashes) {
    Bytes message;
    ASSERT_EQ(0u, Sign(kSignSigningCert | kSignSigningCertV2, message));
    const Bytes& der = signer().der;
    const Bytes issuer = recordOf(hierarchy().standardCa.certificate).subjectNameDer;
    const Bytes serial{0x00, 0x8A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71};
    const Bytes v1 =
        attribute(kSigningCertificate, {sequence({sequence({sequence({octets(digestOf("sha1", der))})})})});
    const Bytes issuerSerial = sequence({sequence({tlv(0xA4, issuer)}), tlv(0x02, serial)});
    const Bytes v2 = attribute(kSigningCertificateV2,
                               {sequence({sequence({sequence({octets(digestOf("sha256", der)), issuerSerial})})})});
    const std::vector<Bytes> attributes = SignedAttributes(message);
    EXPECT_NE(attributes.end(), std::find(attributes.begin(), attributes.end(), v1));
    EXPECT_NE(attributes.end(), std::find(attributes.begin(), attributes.end(), v2));
}

// SignaturePolicyId { identifier, SigPolicyHash, qualifiers { SPUserNotice
// naming the policy's issuer (with notice number 1) and its field of
// application, SPuri of its second name } }.
TEST_F(CmsSignTest, PolicyIdentifierCarriesThePolicysHashNoticeAndUri) {
    const SignPolicyInfo policy = Policy();
    Bytes message;
    ASSERT_EQ(0u, Sign(kSignPolicyId, message, &policy));
    EXPECT_EQ("", m_peer.verifyFails(message, m_content, false, "signer.pem"));

    const Bytes userNoticeOid{0x06, 0x0B, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x05, 0x02};
    const Bytes uriOid{0x06, 0x0B, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x05, 0x01};
    const Bytes organization = bytesOf("cn=Správce podpisových politik,o=Tesk Certifikační autorita,c=CZ");
    const Bytes field = bytesOf("Kvalifikovaný elektronický podpis podle nařízení eIDAS");
    const Bytes notice =
        sequence({userNoticeOid,
                  sequence({sequence({tlv(0x0C, organization), sequence({tlv(0x02, {0x01})})}), tlv(0x0C, field)})});
    const Bytes uri = sequence({uriOid, tlv(0x16, bytesOf("http://www.tesk.example/policies/qes1.der"))});
    const Bytes value = sequence({oid("1.3.6.1.4.1.32473.10.1.1"),
                                  sequence({sequence({oid(kSha256), tlv(0x05, {})}), octets(policy.storedHash)}),
                                  sequence({notice, uri})});
    const std::vector<Bytes> attributes = SignedAttributes(message);
    EXPECT_NE(attributes.end(),
              std::find(attributes.begin(), attributes.end(), attribute(kSignaturePolicyId, {value})));
}

// The qualified policy mandates signingTime, SigningCertificateV2 and the
// policy identifier; a policy without signer rules lists no mandated
// attributes, so every one of the four is added.
TEST_F(CmsSignTest, APolicyAddsTheSignedAttributesItMandates) {
    const SignPolicyInfo qualified = Policy();
    Bytes message;
    ASSERT_EQ(0u, Sign(0, message, &qualified));
    EXPECT_EQ(OidsOf({kContentType, kMessageDigest, kSigningTime, kSigningCertificateV2, kSignaturePolicyId}),
              SignedAttributeOids(message));
    EXPECT_EQ("", m_peer.verifyFails(message, m_content, false, "signer.pem"));

    const SignPolicyInfo silent = Policy({{"signerAndVerifier = EXPLICIT:0,SEQUENCE:signer_and_verifier", ""}});
    ASSERT_EQ(0u, Sign(kSignSigningCert, message, &silent));
    EXPECT_EQ(OidsOf({kContentType, kMessageDigest, kSigningTime, kSigningCertificate, kSigningCertificateV2,
                      kSignaturePolicyId}),
              SignedAttributeOids(message));
    EXPECT_EQ("", m_peer.verifyFails(message, m_content, false, "signer.pem"));
}

// The hash and the form are held against the policy before the key is
// looked for: a signer whose container is gone still gets 3200.
TEST_F(CmsSignTest, APolicyRefusesTheHashOrTheFormBeforeTheKeyIsUsed) {
    const SignPolicyInfo policy = Policy();
    CertInfo keyless = signer();
    keyless.containerName = "no such container";
    Bytes message;
    const auto sign = [&](const CertInfo& record, DWORD flags, const std::string& hashOid) {
        return TCryptoapi::SignBufferWithCert(record, {}, hashOid, flags, m_content, message, &policy);
    };
    EXPECT_EQ(kErrSignPolicy, sign(keyless, 0, kSha1));
    EXPECT_EQ(kErrSignPolicy, sign(keyless, kSignDetached, kSha256));
    EXPECT_EQ(kErrSignPrivateKey, sign(keyless, 0, kSha256));
    EXPECT_TRUE(message.empty());
    EXPECT_EQ(0u, sign(signer(), 0, kSha256));
}

// A minimum key length for the hash is met by the signer's 2048-bit key
// and not by a longer minimum.
TEST_F(CmsSignTest, APolicysMinimumKeyLengthForTheHashIsHeldAgainstTheSignersKey) {
    Bytes message;
    const auto withMinimum = [&](const char* bits) {
        return Policy({{"algID = OID:sha256", std::string("algID = OID:sha256\nminKeyLength = INTEGER:") + bits}});
    };
    const SignPolicyInfo met = withMinimum("2048");
    const SignPolicyInfo unmet = withMinimum("4096");
    EXPECT_EQ(0u, Sign(0, message, &met));
    EXPECT_EQ(kErrSignPolicy, Sign(0, message, &unmet));
}

// The policy's end-entity algorithms judge the signer's certificate, its CA
// algorithms every certificate above it that the chain engine finds.
TEST_F(CmsSignTest, APolicyRefusesTheSignerOrACertificateOfItsChain) {
    Bytes message;
    const SignPolicyInfo longKeys = Policy({{"minKeyLength = INTEGER:2048", "minKeyLength = INTEGER:4096"}});
    EXPECT_EQ(kErrSignCertificatePolicy, Sign(0, message, &longKeys));

    const SignPolicyInfo sha512Cas =
        Policy({{"[ca_algorithms]", "[ca_algorithms]\nonly = SEQUENCE:algorithm_sha512_rsa\n[unused_ca_algorithms]"}});
    EXPECT_EQ(0u, Sign(0, message, &sha512Cas));
    for (const auto& [store, certificate] :
         {std::pair{u"Root", &hierarchy().root.certificate}, std::pair{u"CA", &hierarchy().standardCa.certificate}}) {
        const HCERTSTORE opened = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store);
        ASSERT_NE(nullptr, opened);
        EXPECT_TRUE(CertAddEncodedCertificateToStore(opened, X509_ASN_ENCODING, certificate->der().data(),
                                                     static_cast<DWORD>(certificate->der().size()),
                                                     CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
        CertCloseStore(opened, 0);
    }
    EXPECT_EQ(kErrSignCertificatePolicy, Sign(0, message, &sha512Cas));
}

// CryptoAPI carries exactly the certificates it is given: the signer's own
// only when listed.
TEST_F(CmsSignTest, CarriesTheListedCertificatesInTheirOrder) {
    const CertInfo root = recordOf(hierarchy().root.certificate);
    const CertInfo ca = recordOf(hierarchy().standardCa.certificate);
    Bytes message;
    ASSERT_EQ(0u, TCryptoapi::SignBufferWithCert(signer(), {root, signer(), ca}, kSha256, kSignSigningTime, m_content,
                                                 message, nullptr));
    const std::vector<std::string> inOrder{SubjectOf("root.pem"), SubjectOf("signer.pem"), SubjectOf("ca.pem")};
    EXPECT_EQ(inOrder, CarriedSubjects(message));
    EXPECT_EQ("", m_peer.verifyFails(message, m_content, false, "root.pem"));

    ASSERT_EQ(0u, TCryptoapi::SignBufferWithCert(signer(), {ca, CertInfo{}}, kSha256, 0, m_content, message, nullptr));
    EXPECT_EQ(std::vector<std::string>{SubjectOf("ca.pem")}, CarriedSubjects(message));
    EXPECT_EQ("", m_peer.verifyFails(message, m_content, false, "signer.pem"));
}

TEST_F(CmsSignTest, FailuresAreErrorNumbersAndTheKeysFailureIsLogged) {
    Bytes message;
    EXPECT_EQ(kErrSignCertificate,
              TCryptoapi::SignBufferWithCert(CertInfo{}, {}, kSha256, 0, m_content, message, nullptr));
    EXPECT_EQ(kErrSignAttributes, Sign(kSignPolicyId, message));
    EXPECT_TRUE(policy_test::LogLines().empty());

    EXPECT_EQ(kErrSignHashAlgorithm, Sign(kSignSigningTime, message, nullptr, "1.2.3.4"));
    CertInfo keyless = signer();
    keyless.containerName = "no such container";
    EXPECT_EQ(kErrSignPrivateKey, TCryptoapi::SignBufferWithCert(keyless, {}, kSha256, 0, m_content, message, nullptr));
    EXPECT_TRUE(message.empty());
    const std::vector<std::string> lines = policy_test::LogLines();
    ASSERT_EQ(2u, lines.size());
    const std::string logged = std::string("> ") + LevelTag(sgLogLevelErrs) + " SignBufferToPKCS7DER(): 0x";
    for (const std::string& line : lines) EXPECT_NE(std::string::npos, line.find(logged)) << line;
    EXPECT_NE(std::string::npos, lines[0].find(logged + "80091002"));  // CRYPT_E_UNKNOWN_ALGO
    EXPECT_NE(std::string::npos, lines[1].find(logged + "80090016"));  // NTE_BAD_KEYSET
}

// A token over the signature from `openssl ts -reply` becomes the signer's
// unsigned attribute; the signed bytes stay and still verify.
TEST_F(CmsSignTest, ATimeStampTokenAddedAfterwardsReadsBackAndTheSignatureStillVerifies) {
    Bytes message;
    ASSERT_EQ(0u, Sign(kSignSigningTime | kSignSigningCertV2, message));
    TPkcs7 signed_;
    ASSERT_EQ(0u, signed_.Open(message));
    Bytes signature;
    ASSERT_EQ(0u, signed_.GetSignerSignature(0, signature));
    m_peer.write("signature.bin", signature);
    m_peer.output({"ts", "-query", "-data", "signature.bin", "-sha256", "-cert", "-out", "query.tsq"});
    hierarchy().tsa.write(m_peer.folder(), "tsa");
    testkit::writeFile(m_peer.folder() / "tsaserial", "01\n");
    const Bytes token = pkcs7_test::token(m_peer.folder(), "sha256");

    Bytes stamped;
    ASSERT_EQ(0u, TCryptoapi::AddTimeStampToken(0, token, message, stamped));
    TPkcs7 reader;
    ASSERT_EQ(0u, reader.Open(stamped));
    Bytes readBack;
    ASSERT_EQ(0u, reader.GetSignerTimeStampToken(0, readBack));
    EXPECT_EQ(token, readBack);
    EXPECT_EQ(SignedAttributes(message), SignedAttributes(stamped));
    EXPECT_EQ("", m_peer.verifyFails(stamped, m_content, false, "signer.pem"));

    Bytes untouched;
    EXPECT_EQ(kErrSignAddAttribute, TCryptoapi::AddTimeStampToken(1, token, message, untouched));
    EXPECT_EQ(kErrSignAddAttribute, TCryptoapi::AddTimeStampToken(0, bytesOf("no DER"), message, untouched));
    EXPECT_NE(0u, TCryptoapi::AddTimeStampToken(0, token, bytesOf("no message"), untouched));
    EXPECT_TRUE(untouched.empty());
    CRYPT_ATTRIBUTE none{};
    EXPECT_EQ(kErrSignNoMessage, TCryptoapi::AddSignerUnauthAttr(nullptr, 0, none));
}

}  // namespace
