// The signer's confirmation of a signing job as the user sees it, through
// the script backend: the document or the list of documents, the digest of
// the selected document's exact bytes (checked with `openssl dgst`) through
// whichever provider makes it, the signing certificate with its expiry line,
// another one chosen with "..." and the digest it brings, the buttons'
// outcomes, the lines the job's operation asks for; the SSCD check; no
// dialog without the rich-edit library.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include "certificate_support.h"
#include "dialog_transcript.h"
#include "platform/clock.h"
#include "platform/ui.h"
#include "signer.h"
#include "signing_support.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace {

namespace pki = testkit::pki;
namespace script = platform::ui::script;
using certificate_support::userIssuedBy;
using signing_support::bytesOf;

// Now, for every test: the day counts of the expiry line are exact.
const pki::Instant kNow = pki::utc("2026-06-10T12:00:00Z");

pki::Credential signerEnding(const pki::Hierarchy& hierarchy, const std::string& name, std::chrono::hours fromNow,
                             std::vector<pki::QcStatement> statements = {}) {
    auto builder = userIssuedBy(hierarchy.qualifiedCa, name)
                       .keyUsage(pki::kDigitalSignature)
                       .validity(kNow - std::chrono::hours(24 * 300), kNow + fromNow);
    if (!statements.empty()) builder.qcStatements(std::move(statements));
    return builder.build();
}

struct EndingCertificates {
    pki::Hierarchy pki = pki::Hierarchy::make();
    pki::Credential thirtyDays = signerEnding(pki, "Thirty Days", std::chrono::hours(24 * 30));
    pki::Credential twentyNineDays = signerEnding(pki, "Twenty Nine Days", std::chrono::hours(24 * 29));
    pki::Credential endedThreeDaysAgo = signerEnding(pki, "Ended Three Days Ago", -std::chrono::hours(24 * 3));
    pki::Credential onDevice = signerEnding(pki, "On Device", std::chrono::hours(24 * 200), {{kQcSscdOid, {}}});
};

const EndingCertificates& ending() {
    static const EndingCertificates made;
    return made;
}

// A signer whose remembered certificates a test sets.
class ConfirmingSigner : public TSigner {
public:
    void remember(LONG kind, const pki::Certificate& certificate) {
        m_certs.AddCertificate(kind, certificate_support::infoOf(certificate), false);
    }
};

using dialog_transcript::contains;
using dialog_transcript::control;

class SignerConfirmation : public ::testing::Test {
protected:
    void SetUp() override {
        platform::clock::setForTests(
            (static_cast<ULONGLONG>(kNow.time_since_epoch().count()) * 10000000ull) + platform::clock::kUnixEpochAsFileTime);
        script::clear();
        platform::ui::setBackend(nullptr);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
        for (const auto* credential : {&c.thirtyDays, &c.twentyNineDays, &c.endedThreeDaysAgo, &c.onDevice})
            addToMy(credential->certificate);
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
        platform::ui::setBackend(nullptr);
        platform::clock::setForTests(std::nullopt);
    }

    static void addToMy(const pki::Certificate& certificate,
                        const char16_t* provider = u"Microsoft Enhanced Cryptographic Provider v1.0") {
        HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
        ASSERT_NE(nullptr, my);
        certificate_support::addCertificate(my, certificate, provider);
        CertCloseStore(my, 0);
    }

    // `openssl dgst` of the bytes, in the dialog's form ("AB12 CD34 ...").
    std::string opensslDigest(const std::vector<BYTE>& bytes, const std::string& algorithm = "-sha256") {
        const auto file = root.path() / "document.bin";
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const auto result = testkit::run({"openssl", "dgst", algorithm, "-r", file.string()});
        EXPECT_EQ(0, result.exitCode) << result.err;
        const std::string hex = result.out.substr(0, result.out.find(' '));
        std::string grouped;
        for (std::size_t i = 0; i < hex.size(); i += 4)
            grouped += (i ? " " : "") + hex.substr(i, 4);
        for (char& ch : grouped) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        return grouped;
    }

    // A signing job over the documents, its certificates included.
    static SignJob job(std::vector<SignJobDocument> documents, LONG listMode = 0) {
        SignJob made;
        made.operation = kSignWithSignatureCert;
        made.certInclusion = 1;
        made.listMode = listMode;
        made.documents = std::move(documents);
        return made;
    }

    testkit::PlatformRoot root;
    const EndingCertificates& c = ending();
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
};

TEST_F(SignerConfirmation, OneDocumentShowsItsTextItsDigestAndTheSigningCertificateAndYesConfirms) {
    ConfirmingSigner signer;
    signer.remember(1, c.thirtyDays.certificate);
    const std::vector<BYTE> bytes = bytesOf("P\xF8" "evod 100 K\xE8 na \xFA\xE8" "et 1234/0800\r\n");
    SignJob signing = job({{"/tmp/prevod.txt", bytes}});
    script::queue("Dialog", "press:6");

    EXPECT_EQ(0u, signer.ConfirmSignJob(signing));
    EXPECT_EQ(1, signing.confirmed);

    const auto lines = script::transcript();
    ASSERT_EQ(1u, lines.size());
    const std::string& shown = lines[0];
    EXPECT_TRUE(contains(shown, "Dialog 205: Potvrzení |")) << shown;
    EXPECT_EQ("216 static \"Zpráva:\" color #000000", control(shown, 216));
    EXPECT_TRUE(contains(control(shown, 225), "\"Převod 100 Kč na účet 1234/0800")) << shown;
    EXPECT_TRUE(contains(control(shown, 228), "hidden"));
    EXPECT_TRUE(contains(control(shown, 237), "hidden"));
    EXPECT_TRUE(contains(control(shown, 210), "\"Výsledek otisku sha256:\"")) << shown;
    EXPECT_EQ("212 richedit \"" + opensslDigest(bytes) + "\"", control(shown, 212));
    EXPECT_TRUE(contains(control(shown, 218), "Podepsat certifikátem obsaženým v podepsané zprávě:")) << shown;
    EXPECT_TRUE(contains(control(shown, 224), "Thirty Days")) << shown;
    EXPECT_EQ("6 default \"&Ano\"", control(shown, 6));
    EXPECT_TRUE(contains(control(shown, 7), "\"&Ne\"")) << shown;
    EXPECT_TRUE(contains(control(shown, 2), "\"&Storno\"")) << shown;
    EXPECT_TRUE(contains(control(shown, 213), "\"Přejete si tuto akci dokončit?\"")) << shown;
    // Neither key exchange nor encryption: their lines are hidden.
    for (const int id : {219, 226, 222, 220, 227, 223}) EXPECT_TRUE(contains(control(shown, id), "hidden")) << id;
}

// The digest does not depend on which provider makes it: the one the
// certificate's key is kept in, when the signer works with another, or the
// signer's own, when the certificate names it (in any letter case). "..."
// brings in another certificate, whose line and digest algorithm replace the
// old ones.
TEST_F(SignerConfirmation, TheDigestIsTheDocumentsThroughEitherProviderAndFollowsACertificateChosenWithDots) {
    const std::vector<BYTE> bytes = bytesOf("Smlouva \xE8. 7/2026\r\n\xFF konec");
    const std::string sha256 = opensslDigest(bytes);
    // The fixture keeps Thirty Days in the Enhanced provider.
    for (const std::string provider : {MS_ENH_RSA_AES_PROV_A, MS_ENHANCED_PROV_A}) {
        SCOPED_TRACE(provider);
        script::clear();
        ConfirmingSigner signer;
        ASSERT_TRUE(signer.SetCurrentCSP(provider)) << signer.GetLastErrorStr();
        signer.remember(1, c.thirtyDays.certificate);
        SignJob signing = job({{"/tmp/smlouva.bin", bytes}});
        script::queue("Dialog", "press:7");
        EXPECT_EQ(11u, signer.ConfirmSignJob(signing));
        const auto lines = script::transcript();
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ("212 richedit \"" + sha256 + "\"", control(lines[0], 212)) << lines[0];
    }

    // Another certificate, signed with SHA-384 under another CA, its key in
    // the signer's provider named in capitals, chosen with "...".
    static const pki::Credential sha384 =
        userIssuedBy(c.pki.standardCa, "Chosen With Dots")
            .keyUsage(pki::kDigitalSignature)
            .validity(kNow - std::chrono::hours(24), kNow + std::chrono::hours(24 * 400))
            .hash(pki::Hash::Sha384)
            .build();
    addToMy(sha384.certificate, u"MICROSOFT ENHANCED CRYPTOGRAPHIC PROVIDER V1.0");
    const ScopedEnv withCertificateDialogs{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR ":" TESK_CRYPTUI_DIR};
    script::clear();
    ConfirmingSigner signer;
    ASSERT_TRUE(signer.SetCurrentCSP(MS_ENHANCED_PROV_A));
    signer.remember(1, c.thirtyDays.certificate);
    SignJob signing = job({{"/tmp/smlouva.bin", bytes}});
    signing.issuerFilter = certificate_support::infoOf(sha384.certificate).issuerDn;
    script::queue("Dialog", "press:221");
    script::queue("SelectCertificate", "0");
    script::queue("Dialog", "press:6");
    EXPECT_EQ(0u, signer.ConfirmSignJob(signing));

    const auto lines = script::transcript();
    ASSERT_EQ(3u, lines.size());
    EXPECT_TRUE(contains(control(lines[0], 224), "Thirty Days")) << lines[0];
    EXPECT_EQ("212 richedit \"" + sha256 + "\"", control(lines[0], 212));
    EXPECT_TRUE(contains(lines[1], "Chosen With Dots")) << lines[1];
    EXPECT_TRUE(contains(control(lines[2], 224), "Chosen With Dots")) << lines[2];
    EXPECT_FALSE(contains(control(lines[2], 224), "Thirty Days")) << lines[2];
    EXPECT_TRUE(contains(control(lines[2], 210), "sha384")) << lines[2];
    const std::string digest = opensslDigest(bytes, "-sha384");
    EXPECT_EQ("212 richedit \"" + digest + "\"", control(lines[2], 212)) << lines[2];
    EXPECT_EQ(digest, signing.documents[0].hashText) << "what is signed is what was shown";
    EXPECT_EQ(certificate_support::infoOf(sha384.certificate).pem, signer.GetCertSignPem());
}

TEST_F(SignerConfirmation, TheExpiryLineCountsTheDaysAndWarnsInRedBelowThirty) {
    struct Case {
        const pki::Credential* certificate;
        std::string count;
        bool warned;
    };
    const Case cases[] = {
        {&c.endedThreeDaysAgo, ", skončila před 3 dny, obnovte si certifikát", true},
        {&c.thirtyDays, ", zbývá 30 dnů", false},
        {&c.twentyNineDays, ", zbývá 29 dnů, obnovte si certifikát", true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.count);
        script::clear();
        ConfirmingSigner signer;
        signer.SetCertSelFlags(0);  // an ended certificate stays preset
        signer.remember(1, row.certificate->certificate);
        SignJob signing = job({{"a.txt", bytesOf("a")}});
        script::queue("Dialog", "press:7");
        EXPECT_EQ(11u, signer.ConfirmSignJob(signing));
        EXPECT_EQ(0, signing.confirmed);
        const auto lines = script::transcript();
        ASSERT_EQ(1u, lines.size());
        const std::string expiry = control(lines[0], 238);
        EXPECT_TRUE(contains(expiry, "\"Platnost tohoto certifikátu vyprší dne ")) << expiry;
        EXPECT_TRUE(contains(expiry, row.count + "\"")) << expiry;
        EXPECT_EQ(row.warned, contains(expiry, "color #FF0000")) << expiry;
    }
}

TEST_F(SignerConfirmation, AListShowsTheNamesAndTheSelectedDocumentsDigestAndCancelRefuses) {
    ConfirmingSigner signer;
    signer.remember(1, c.thirtyDays.certificate);
    const std::vector<BYTE> first = bytesOf("first document"), second = bytesOf("second\0document");
    SignJob signing = job({{"/data/first.txt", first}, {"/data/second.bin", second}}, 1);
    script::queue("Dialog", "select:228:1");
    script::queue("Dialog", "press:2");

    EXPECT_EQ(12u, signer.ConfirmSignJob(signing));
    EXPECT_EQ(0, signing.confirmed);

    const auto lines = script::transcript();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("228 listbox \"\" [\"/data/first.txt\", \"/data/second.bin\"] sel 0", control(lines[0], 228));
    EXPECT_TRUE(contains(control(lines[0], 216), "\"Seznam názvů souborů.\""));
    EXPECT_EQ("237 button \"&Zobrazit soubor\"", control(lines[0], 237));
    EXPECT_TRUE(contains(control(lines[0], 225), "hidden"));
    EXPECT_EQ("212 richedit \"" + opensslDigest(first) + "\"", control(lines[0], 212));
    EXPECT_EQ("212 richedit \"" + opensslDigest(second) + "\"", control(lines[1], 212));
    EXPECT_EQ(opensslDigest(second), signing.documents[1].hashText);
}

TEST_F(SignerConfirmation, TheOperationDecidesTheLinesAndWhetherTheDialogShows) {
    ConfirmingSigner signer;
    signer.remember(0, c.thirtyDays.certificate);
    signer.remember(1, c.thirtyDays.certificate);
    signer.remember(2, c.twentyNineDays.certificate);

    // Certificates left out of the message, the signer fixed.
    SignJob fixed = job({{"a.txt", bytesOf("a")}});
    fixed.certInclusion = 0;
    fixed.operation = kSignWithSignatureCert | 0x40;
    script::queue("Dialog", "press:6");
    EXPECT_EQ(0u, signer.ConfirmSignJob(fixed));
    auto lines = script::transcript();
    ASSERT_EQ(1u, lines.size());
    EXPECT_TRUE(contains(control(lines[0], 218), "Podepsat certifikátem, který není obsažen v podepsané zprávě:"));
    EXPECT_TRUE(contains(control(lines[0], 221), "disabled"));
    EXPECT_TRUE(contains(control(lines[0], 226), "hidden"));

    // Certificates and the key-exchange certificate included.
    script::clear();
    SignJob both = job({{"a.txt", bytesOf("a")}});
    both.certInclusion = 2;
    script::queue("Dialog", "press:6");
    EXPECT_EQ(0u, signer.ConfirmSignJob(both));
    lines = script::transcript();
    ASSERT_EQ(1u, lines.size());
    EXPECT_TRUE(contains(control(lines[0], 226), "Twenty Nine Days")) << lines[0];
    EXPECT_FALSE(contains(control(lines[0], 221), "disabled"));

    // Authentication, or no interaction: nothing is asked.
    script::clear();
    SignJob authentication = job({{"a.txt", bytesOf("a")}});
    authentication.operation = kSignWithAuthenticationCert;
    EXPECT_EQ(0u, signer.ConfirmSignJob(authentication));
    SignJob quiet = job({{"a.txt", bytesOf("a")}});
    quiet.signOptions = kOptionNoConfirmation;
    EXPECT_EQ(0u, signer.ConfirmSignJob(quiet));
    EXPECT_TRUE(script::transcript().empty());
    EXPECT_EQ(0, authentication.confirmed + quiet.confirmed);
}

TEST_F(SignerConfirmation, AKeyOffASecureDeviceIsRefusedQuietlyOrOnlyWithTheUsersConsent) {
    ConfirmingSigner signer;
    const CertInfo plain = certificate_support::infoOf(c.thirtyDays.certificate);
    const CertInfo onDevice = certificate_support::infoOf(c.onDevice.certificate);
    SignJob quiet = job({});
    quiet.signOptions = kOptionNoConfirmation;
    EXPECT_EQ(3024u, signer.CheckSscd(quiet, plain));
    quiet.operation = kSignWithAuthenticationCert;
    EXPECT_EQ(3014u, signer.CheckSscd(quiet, plain));
    EXPECT_EQ(0u, signer.CheckSscd(quiet, onDevice));
    EXPECT_TRUE(script::transcript().empty());

    const SignJob asking = job({});
    script::queue("MessageBox", "IDNO", "QcSSCD");
    EXPECT_EQ(11u, signer.CheckSscd(asking, plain));
    script::queue("MessageBox", "IDYES", "Thirty Days");
    EXPECT_EQ(0u, signer.CheckSscd(asking, plain));
    EXPECT_EQ(0u, signer.CheckSscd(asking, onDevice));
    EXPECT_EQ(2u, script::transcript().size());
}

TEST_F(SignerConfirmation, WithoutTheRichEditLibraryThereIsNoDialogToConfirmIn) {
    const ScopedEnv nowhere{"PLATFORM_MODULE_PATH", "/nonexistent"};
    ConfirmingSigner signer;
    ASSERT_FALSE(signer.HasGraphicalInterface());
    signer.remember(1, c.thirtyDays.certificate);
    SignJob signing = job({{"a.txt", bytesOf("a")}});
    EXPECT_EQ(9u, signer.ConfirmSignJob(signing));
    EXPECT_EQ(0, signing.confirmed);
    EXPECT_TRUE(script::transcript().empty());
}

}  // namespace
