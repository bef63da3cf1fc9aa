// Signing a document with a key in the software provider, judged by
// `openssl`: attached and detached messages, Base64 text in 72-character
// lines, the signed attributes asked for, the certificates that travel,
// the policy the signature names, signing and encrypting for a recipient,
// and the order in which the reasons not to sign are reported. Also the
// certificates callers hand to the signer and the check that a signing key
// lies on a secure device.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/cert_manager.h"
#include "common/log.h"
#include "platform/ui.h"
#include "signing_support.h"
#include "testkit/csp.h"
#include "testkit/policy.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace {

using namespace signing_support;
namespace script = platform::ui::script;

constexpr char kCompleted[] = "Completed successfully.";

// Lines of the text, each of which must end in CR LF.
std::vector<std::string> crlfLines(const Bytes& text) {
    std::vector<std::string> lines;
    const std::string all = textOf(text);
    std::size_t start = 0;
    while (start < all.size()) {
        const auto end = all.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(all.substr(start));
            break;
        }
        lines.push_back(all.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A certificate of the standard CA in the user's store, bound to a key
// container nobody made: offered by the selection dialog, never used.
void addDecoy(const std::string& commonName) {
    const pki::Credential decoy = pki::CertificateBuilder()
                                      .subject(pki::Name{{"CN", commonName}})
                                      .keyUsage(pki::kDigitalSignature)
                                      .issuedBy(hierarchy().standardCa)
                                      .build();
    const auto& der = decoy.certificate.der();
    PCCERT_CONTEXT context =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    std::u16string container = u"decoy", provider = u"Microsoft Enhanced Cryptographic Provider v1.0";
    CRYPT_KEY_PROV_INFO key{container.data(), provider.data(), PROV_RSA_FULL, 0, 0, nullptr, AT_SIGNATURE};
    EXPECT_TRUE(CertSetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, 0, &key));
    addToUserStore(u"MY", context);
    CertFreeCertificateContext(context);
}

class SignerSign : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        script::clear();
        platform::ui::setBackend(nullptr);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
        addToUserStore(u"Root", hierarchy().root.certificate);
        m_signerContext = csp.certificateWithKey("Tesk Signer", hierarchy().standardCa);
        ASSERT_NE(nullptr, m_signerContext);
        addToUserStore(u"MY", m_signerContext);
        ASSERT_TRUE(TCryptoapi::GetCertInfo(m_signerContext, signerInfo));
    }
    void TearDown() override {
        CertFreeCertificateContext(m_signerContext);
        script::clear();
        platform::ui::setBackend(nullptr);
    }

    // The hierarchy's commercial user as the recipient (kind 3) and the
    // sender's key-exchange certificate (kind 2); its files go to the peer.
    void presetCommercial(TestSigner& signer) {
        addToUserStore(u"MY", hierarchy().commercial.certificate);
        addToUserStore(u"AddressBook", hierarchy().commercial.certificate);
        signer.remember(2, infoOf(hierarchy().commercial.certificate));
        signer.remember(3, infoOf(hierarchy().commercial.certificate));
        hierarchy().commercial.write(peer.folder(), "recipient");
    }

    // The message openssl decrypts with the recipient's key.
    Bytes decrypt(const Bytes& enveloped) {
        peer.write("enveloped.der", enveloped);
        const auto r = peer.openssl({"cms", "-decrypt", "-inform", "DER", "-in", "enveloped.der", "-recip",
                                     "recipient.pem", "-inkey", "recipient.key", "-binary", "-out", "opened.bin"});
        EXPECT_EQ(0, r.exitCode) << r.err;
        return peer.read("opened.bin");
    }

    testkit::PlatformRoot root;
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    // The rich-edit library, without which the signer has no dialogs.
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    testkit::TestCsp csp{testkit::CspKind::Software, root, u"signer"};
    Peer peer{root.path() / "peer"};
    CertInfo signerInfo;
    // Long enough for several lines of Base64 text.
    const Bytes document = bytesOf(std::string(150, 'x') + "\r\nŽádost o obnovení certifikátu\r\n");

private:
    PCCERT_CONTEXT m_signerContext = nullptr;
};

TEST_F(SignerSign, MessagesOpensslAcceptsCarryTheAttributesAndCertificatesAskedFor) {
    addToUserStore(u"CA", hierarchy().standardCa.certificate);
    TestSigner signer;
    ASSERT_TRUE(signer.SetCfgLanguageNumber(2));
    ASSERT_TRUE(signer.SetCertSignPem(signerInfo.pem)) << signer.GetLastErrorStr();

    // Attached, as Base64 text in lines of 72 characters, with the signing
    // time, the signer's certificate only, and its own SHA-256 digest.
    SignJob job = unattendedJob(kSignWithSignatureCert, kOptionSigningTime);
    Bytes text;
    ASSERT_EQ(0u, signer.SignData(job, document, text)) << signer.GetLastErrorStr();
    EXPECT_EQ(0, signer.GetLastErrorNumber());
    EXPECT_EQ(kCompleted, signer.GetLastErrorStr());
    const auto lines = crlfLines(text);
    ASSERT_GT(lines.size(), 2u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(std::string::npos, lines[i].find('\n')) << "line " << i << " ends in CR LF";
        if (i + 1 < lines.size()) {
            EXPECT_EQ(72u, lines[i].size()) << "line " << i;
        }
    }
    Bytes message = fromBase64Text(text);
    EXPECT_EQ("", peer.verifyFails(message, document, false));
    std::string printed = peer.print(message);
    EXPECT_NE(std::string::npos, printed.find("signingTime")) << printed;
    EXPECT_NE(std::string::npos, printed.find("algorithm: sha256 ")) << printed;
    EXPECT_EQ(std::vector<std::string>{"Tesk Signer"}, peer.carried(message));

    // Detached and binary, with both signing-certificate attributes and no
    // signing time; SHA-1 when the caller chose it.
    ASSERT_TRUE(signer.SetHashAlgorithmType(0x8004));
    job = unattendedJob(kSignWithSignatureCert,
                        kOptionBinaryOutput | kOptionDetached | kOptionSigningCert | kOptionSigningCertV2);
    ASSERT_EQ(0u, signer.SignData(job, document, message)) << signer.GetLastErrorStr();
    EXPECT_EQ("", peer.verifyFails(message, document, true));
    printed = peer.print(message);
    EXPECT_NE(std::string::npos, printed.find("eContent: <ABSENT>")) << printed;
    EXPECT_NE(std::string::npos, printed.find("id-smime-aa-signingCertificate ")) << printed;
    EXPECT_NE(std::string::npos, printed.find("id-smime-aa-signingCertificateV2")) << printed;
    EXPECT_EQ(std::string::npos, printed.find("signingTime")) << printed;
    EXPECT_NE(std::string::npos, printed.find("algorithm: sha1 ")) << printed;

    // Which certificates travel.
    presetCommercial(signer);
    const std::string caName = infoOf(hierarchy().standardCa.certificate).subjectSimpleName;
    const std::string rootName = infoOf(hierarchy().root.certificate).subjectSimpleName;
    const std::string exchangeName = infoOf(hierarchy().commercial.certificate).subjectSimpleName;
    const std::vector<std::pair<DWORD, std::vector<std::string>>> inclusions = {
        {0, {}},
        {2, {"Tesk Signer", exchangeName}},
        {3, {"Tesk Signer", caName, rootName}},
        {4, {"Tesk Signer", caName, rootName, exchangeName}},
    };
    for (const auto& [inclusion, subjects] : inclusions) {
        job = unattendedJob(kSignWithSignatureCert, kOptionBinaryOutput, inclusion);
        ASSERT_EQ(0u, signer.SignData(job, document, message)) << inclusion << ": " << signer.GetLastErrorStr();
        EXPECT_EQ(subjects, peer.carried(message)) << inclusion;
    }

    // An authentication signature is made with the authentication
    // certificate and needs no confirmation.
    signer.remember(0, signerInfo);
    job = SignJob{};
    job.operation = kSignWithAuthenticationCert;
    job.signOptions = kOptionBinaryOutput;
    job.certInclusion = 1;
    ASSERT_EQ(0u, signer.SignData(job, document, message)) << signer.GetLastErrorStr();
    EXPECT_EQ("", peer.verifyFails(message, document, false));
    EXPECT_TRUE(script::transcript().empty());
}

// A policy that names its issuer by directory name and URI (which the
// signature's policy identifier repeats), carries its hash and demands the
// signer's full certification path, signed with SHA-256 and RSA.
constexpr char kFullPathPolicy[] = R"(asn1 = SEQUENCE:signature_policy
[signature_policy]
hashAlg = SEQUENCE:sha256
info = SEQUENCE:sign_policy_info
hash = FORMAT:HEX,OCTETSTRING:${ENV::POLICY_HASH}
[sha256]
algorithm = OID:sha256
parameters = NULL
[sign_policy_info]
identifier = OID:1.3.6.1.4.1.32473.10.1.7
dateOfIssue = GENTIME:20240115083000Z
issuer = SEQUENCE:policy_issuer
field = FORMAT:UTF8,UTF8String:Test signatures
validation = SEQUENCE:validation_policy
[policy_issuer]
directory = EXPLICIT:4,SEQUENCE:issuer_dn
uri = IMPLICIT:6,IA5STRING:http://www.tesk.example/policies/full.der
[issuer_dn]
cn = SET:issuer_cn
[issuer_cn]
attribute = SEQUENCE:issuer_cn_value
[issuer_cn_value]
type = OID:commonName
value = FORMAT:UTF8,UTF8String:Tesk Policy Office
[validation_policy]
signingPeriod = SEQUENCE:signing_period
commonRules = SEQUENCE:common_rules
commitmentRules = SEQUENCE:commitment_rules
[signing_period]
notBefore = GENTIME:20240201000000Z
[common_rules]
signerAndVerifier = EXPLICIT:0,SEQUENCE:signer_and_verifier
algorithms = EXPLICIT:4,SEQUENCE:algorithm_constraints
[algorithm_constraints]
signer = EXPLICIT:0,SEQUENCE:signer_algorithms
[signer_algorithms]
sha256 = SEQUENCE:algorithm_sha256
rsa = SEQUENCE:algorithm_rsa
sha256WithRsa = SEQUENCE:algorithm_sha256_rsa
[algorithm_sha256]
algID = OID:sha256
[algorithm_rsa]
algID = OID:rsaEncryption
[algorithm_sha256_rsa]
algID = OID:sha256WithRSAEncryption
[signer_and_verifier]
signerRules = SEQUENCE:signer_rules
verifierRules = SEQUENCE:verifier_rules
[signer_rules]
mandatedSignedAttr = SEQUENCE:mandated_signed
mandatedUnsignedAttr = SEQUENCE:mandated_unsigned
certInfo = EXPLICIT:1,ENUMERATED:2
[mandated_signed]
contentType = OID:1.2.840.113549.1.9.3
messageDigest = OID:1.2.840.113549.1.9.4
[mandated_unsigned]
[verifier_rules]
mandatedUnsignedAttr = SEQUENCE:mandated_unsigned
[commitment_rules]
anyCommitment = SEQUENCE:commitment_empty
[commitment_empty]
selected = SEQUENCE:selected_empty
[selected_empty]
empty = NULL
)";

TEST_F(SignerSign, UnderAPolicyTheSignatureNamesItAndCarriesTheCertificatesItDemands) {
    addToUserStore(u"CA", hierarchy().standardCa.certificate);
    TestSigner signer;
    signer.SetLogLevel(0xFF);
    const Bytes policy = testkit::policy::fromGenconfText(kFullPathPolicy, root.path(), root.path() / "scratch");
    signer.setPolicy(policy);
    ASSERT_TRUE(signer.SetCertSignPem(signerInfo.pem)) << signer.GetLastErrorStr();

    SignJob job = unattendedJob(kSignWithSignatureCert, kOptionBinaryOutput, 0);
    job.signFlags = kSignUnderPolicy;
    Bytes message;
    ASSERT_EQ(0u, signer.SignData(job, document, message)) << signer.GetLogString();
    EXPECT_EQ("", peer.verifyFails(message, document, false));
    EXPECT_EQ(3u, peer.carried(message).size()) << "the whole path, though the job asks for no certificate";
    const std::string printed = peer.print(message);
    EXPECT_NE(std::string::npos, printed.find("id-smime-aa-ets-sigPolicyId")) << printed;
    EXPECT_NE(std::string::npos, printed.find("1.3.6.1.4.1.32473.10.1.7")) << printed;
    std::string hashHex;
    for (const BYTE b : testkit::policy::policyHash(policy)) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        hashHex += {kDigits[b >> 4], kDigits[b & 15]};
    }
    ASSERT_EQ(64u, hashHex.size());
    EXPECT_NE(std::string::npos, printed.find(hashHex)) << hashHex << "\n" << printed;
}

TEST_F(SignerSign, SigningAndEncryptingGivesTheRecipientTheSignedTextAndEncryptingAloneTheDocument) {
    addToUserStore(u"CA", hierarchy().standardCa.certificate);
    TestSigner signer;
    ASSERT_TRUE(signer.SetCertSignPem(signerInfo.pem));
    presetCommercial(signer);

    SignJob job = unattendedJob(kSignWithSignatureCert | kEncryptForRecipient, kOptionSigningTime);
    Bytes text;
    ASSERT_EQ(0u, signer.SignData(job, document, text)) << signer.GetLastErrorStr();
    EXPECT_EQ(72u, crlfLines(text).front().size());
    const Bytes signedText = decrypt(fromBase64Text(text));
    EXPECT_EQ(72u, crlfLines(signedText).front().size()) << "the signed message as Base64 text";
    EXPECT_EQ("", peer.verifyFails(fromBase64Text(signedText), document, false));

    job = unattendedJob(kEncryptForRecipient, kOptionBinaryOutput);
    Bytes enveloped;
    ASSERT_EQ(0u, signer.SignData(job, document, enveloped)) << signer.GetLastErrorStr();
    EXPECT_EQ(document, decrypt(enveloped)) << "encryption alone encrypts the document itself";
    job = unattendedJob(kEncryptForRecipient, 0);
    ASSERT_EQ(0u, signer.SignData(job, document, text));
    EXPECT_EQ(document, decrypt(fromBase64Text(text)));
}

TEST_F(SignerSign, EachReasonNotToSignIsReportedInItsTurnAndLeavesTheOutputAlone) {
    {
        // Without the rich-edit library (not yet loaded in this process) a
        // signer has no dialogs: 9, after 30.
        const ScopedEnv nowhere{"PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR};
        TestSigner withoutDialogs;
        SignJob job;
        job.operation = kSignWithSignatureCert;
        Bytes result = bytesOf("kept");
        EXPECT_EQ(30u, withoutDialogs.SignData(job, {}, result));
        EXPECT_EQ(9u, withoutDialogs.SignData(job, document, result));
        EXPECT_EQ(bytesOf("kept"), result);
    }
    TestSigner signer;
    ASSERT_TRUE(signer.SetCfgLanguageNumber(2));
    ASSERT_TRUE(signer.SetLogLevel(0xFF));
    const ScopedEnv withCryptui{"PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR ":" TESK_RICHED32_DIR};
    addDecoy("Decoy One");
    addDecoy("Decoy Two");
    testkit::policy::SignaturePolicy expired;
    expired.notAfter = pki::utc("2025-01-01");
    testkit::policy::SignaturePolicy foreign;
    foreign.signerTrust = {hierarchy().untrustedRoot.certificate};

    Bytes toSign;
    SignJob base;
    base.operation = kSignWithSignatureCert | kEncryptForRecipient;
    base.certInclusion = 4;
    base.signOptions = kOptionBinaryOutput;
    base.signFlags = kSignUnderPolicy;
    signer.setPolicy({0x30, 0x03, 0x02, 0x01, 0x00});

    struct Step {
        DWORD expected;
        std::function<void()> cure;  // takes this reason away
    };
    const std::vector<Step> steps = {
        {30, [&] { toSign = document; }},
        {3200, [&] { signer.setPolicy(testkit::policy::encode(expired)); }},
        {3203, [&] {
             signer.setPolicy(testkit::policy::encode(foreign));
             script::queue("SelectCertificate", "IDCANCEL");
         }},
        {12, [&] { base.signOptions |= kOptionNoConfirmation; }},
        {3024, [&] { signer.remember(1, signerInfo); }},
        {3204, [&] { signer.setPolicy({}); }},
        {3027, [&] { addToUserStore(u"CA", hierarchy().standardCa.certificate); }},
        {3025, [&] {
             addToUserStore(u"MY", hierarchy().commercial.certificate);
             signer.remember(2, infoOf(hierarchy().commercial.certificate));
         }},
        {3026, [&] {
             addToUserStore(u"AddressBook", hierarchy().commercial.certificate);
             signer.remember(3, infoOf(hierarchy().commercial.certificate));
         }},
        {3200, [&] { base.signFlags = 0; }},
        {0, [] {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.expected);
        SignJob job = base;
        Bytes result = bytesOf("kept");
        signer.SetLastErrorNumber(-1);
        EXPECT_EQ(step.expected, signer.SignData(job, toSign, result)) << signer.GetLogString();
        EXPECT_EQ(static_cast<LONG>(step.expected), signer.GetLastErrorNumber()) << "every outcome is recorded";
        if (step.expected != 0) {
            EXPECT_EQ(bytesOf("kept"), result);
        }
        if (step.expected == 30) {
            EXPECT_TRUE(script::transcript().empty()) << "nothing asked before 30";
        }
        step.cure();
    }
    EXPECT_EQ(kCompleted, signer.GetLastErrorStr());
    EXPECT_EQ(1u, script::transcript().size()) << "the one selection cancelled";
}

TEST_F(SignerSign, CertificatesGivenAsPemAreCheckedAndKeptOnce) {
    {
        TestSigner signer;
        ASSERT_TRUE(signer.SetCertSignPem(signerInfo.pem));
        EXPECT_FALSE(signer.SetCertSignPem("-----BEGIN CERTIFICATE-----\nbm90IGEgY2VydA==\n-----END CERTIFICATE-----\n"));
        EXPECT_EQ(3000, signer.GetLastErrorNumber());
        EXPECT_EQ(signerInfo.pem, signer.GetCertSignPem()) << "list 1 unchanged";

        testkit::policy::SignaturePolicy foreign;
        foreign.signerTrust = {hierarchy().untrustedRoot.certificate};
        signer.setPolicy(testkit::policy::encode(foreign));
        addToUserStore(u"MY", hierarchy().commercial.certificate);
        EXPECT_FALSE(signer.SetCertSignPem(hierarchy().commercial.certificate.pem()));
        EXPECT_EQ(3204, signer.GetLastErrorNumber());

        // The TSA certificate twice: one entry; no policy judges it.
        ASSERT_TRUE(signer.SetTsaCertAuthenticationPem(hierarchy().commercial.certificate.pem()));
        ASSERT_TRUE(signer.SetTsaCertAuthenticationPem(hierarchy().commercial.certificate.pem()));
        EXPECT_FALSE(signer.SetTsaCertAuthenticationPem("garbage"));
        EXPECT_EQ(3000, signer.GetLastErrorNumber());

        EXPECT_FALSE(signer.ShowCert("garbage"));
        EXPECT_EQ(3000, signer.GetLastErrorNumber());
        // The viewer and the manager are not installed here.
        EXPECT_FALSE(signer.ShowCert(signerInfo.pem));
        EXPECT_EQ(9, signer.GetLastErrorNumber());
        EXPECT_FALSE(signer.ShowCertManager());
        EXPECT_EQ(9, signer.GetLastErrorNumber());
    }
    TCertManager saved;
    saved.SetBaseKey("Software\\Tesk\\tesksign\\certs");
    std::vector<CertInfo> list;
    ASSERT_TRUE(saved.LoadList(4, list));
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(infoOf(hierarchy().commercial.certificate).serialHex, list[0].serialHex);
    list.clear();
    ASSERT_TRUE(saved.LoadList(1, list));
    ASSERT_EQ(1u, list.size()) << "the refused certificate was not saved";
    EXPECT_EQ(signerInfo.serialHex, list[0].serialHex);
}

TEST_F(SignerSign, AKeyOffASecureDeviceIsRefusedWithoutAskingOrSignsWhenTheUserAgrees) {
    TLogStrVect::Instance()->SetMask(0xFF);
    TestSigner signer;
    ASSERT_TRUE(signer.SetLogLevel(0xFF));
    const CertInfo ordinary = infoOf(hierarchy().commercial.certificate);
    SignJob job = unattendedJob(kSignWithSignatureCert, 0);
    EXPECT_EQ(3024u, signer.CheckSscd(job, ordinary));
    job.operation = kSignWithAuthenticationCert;
    EXPECT_EQ(3014u, signer.CheckSscd(job, ordinary));
    EXPECT_TRUE(script::transcript().empty()) << "no question without interaction";
    EXPECT_NE(std::string::npos, signer.GetLogString().find("secure signature-creation device"))
        << "the log tells the real reason";

    job.signOptions = 0;
    script::queue("MessageBox", "IDNO");
    EXPECT_EQ(11u, signer.CheckSscd(job, ordinary));
    script::queue("MessageBox", "IDYES");
    EXPECT_EQ(0u, signer.CheckSscd(job, ordinary));
    EXPECT_EQ(0u, signer.CheckSscd(job, infoOf(hierarchy().qualified.certificate)));
    EXPECT_EQ(2u, script::transcript().size());
}

}  // namespace
