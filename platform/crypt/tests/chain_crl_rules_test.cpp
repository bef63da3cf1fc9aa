// Which CRLs decide a certificate's revocation: critical extensions, the
// scope an issuing distribution point gives a CRL, every CRL at hand, delta
// CRLs over their base, CRLs signed by another certificate of the CA or by
// an indirect CRL's issuer. The CRLs are made by `openssl ca -gencrl` and
// put in the stores; each case is judged by `openssl verify -crl_check_all
// -extended_crl -use_deltas` too, and the verdicts, with the certificate
// they concern, must agree.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>

#include "chain_fixture.h"
#include "crl_fixtures.h"
#include "testkit/process.h"

using namespace chain_test;
using namespace std::chrono_literals;
using crl_test::CrlAuthority;
using crl_test::CrlOrder;
using testkit::Bytes;
using testkit::pki::CertificateBuilder;
using testkit::pki::Key;
using testkit::pki::Name;

namespace {

enum class Verdict { Good, Revoked, Unknown };

struct Expected {
    Verdict verdict;
    DWORD element = 0;  // the certificate revoked or of unknown status
    bool entryInDelta = false;
    friend std::ostream& operator<<(std::ostream& os, const Expected& e) {
        const char* names[] = {"good", "revoked", "unknown"};
        return os << names[static_cast<int>(e.verdict)] << " at " << e.element << (e.entryInDelta ? " (delta)" : "");
    }
    bool operator==(const Expected&) const = default;
};

// What a case puts in the "CA" store, and which certificate's chain it asks about.
struct Scene {
    Credential subject;
    std::vector<testkit::pki::Certificate> certificates;
    std::vector<Bytes> crls;
    // OpenSSL reads only the newest of several complete CRLs: where a case
    // needs another, the CRLs it is given (indices into crls).
    std::vector<std::size_t> peerCrls;
};

constexpr char kHold[] = "certificateHold,holdInstructionReject";
constexpr char kSomeReasons[] = "issuingDistributionPoint = critical, @idp\n";
constexpr char kFirstReasons[] = "[idp]\nonlysomereasons = keyCompromise, CACompromise\n";
constexpr char kOtherReasons[] =
    "[idp]\nonlysomereasons = affiliationChanged, superseded, cessationOfOperation, certificateHold, "
    "privilegeWithdrawn, AACompromise\n";

Name standardCaName() {
    return {{"C", "SK", testkit::pki::StringType::Printable}, {"O", "Tesk"}, {"CN", "Tesk Standard CA"}};
}

// The hierarchy's CAs signing CRLs, and certificates the cases add.
struct World {
    World(const testkit::PlatformRoot& root, const Hierarchy& pki)
        : pki(pki), folder(root.path() / "crls"), rootCa(pki.root, folder / "root"),
          standardCa(pki.standardCa, folder / "standard") {}

    Bytes rootCrl(std::vector<crl_test::Revoked> revoked = {}) const { return rootCa.issue({.revoked = revoked}); }
    Bytes standardCrl(const CrlOrder& order = {}) const { return standardCa.issue(order); }
    CrlAuthority authority(const Credential& signer, const std::string& name) const {
        return CrlAuthority(signer, folder / name);
    }
    crl_test::Revoked revoked(const Credential& c, std::string reason = "keyCompromise") const {
        return {c.certificate.serial(), std::move(reason)};
    }
    // A user of the standard CA with the distribution points (openssl's syntax).
    Credential userWithPoints(const std::string& points, const std::string& sections = "") const {
        return CertificateBuilder()
            .subject(Name{{"CN", "Tesk Distribution Point User"}})
            .issuedBy(pki.standardCa)
            .extension({"2.5.29.31", false, crl_test::extensionValue("crlDistributionPoints", points, sections)})
            .build();
    }
    // A certificate of the standard CA's name with another key, from the issuer.
    Credential standardCaSigner(const Credential& issuer, unsigned usage, std::string_view keyName) const {
        return CertificateBuilder()
            .subject(standardCaName())
            .key(Key::rsa(2048, keyName))
            .issuedBy(issuer)
            .keyUsage(usage)
            .build();
    }

    const Hierarchy& pki;
    std::filesystem::path folder;
    CrlAuthority rootCa, standardCa;
};

struct Case {
    const char* name;
    Expected expected;
    std::function<Scene(const World&)> scene;
    // The command line goes on after some errors of a CRL signer's path
    // (its callback waives X509_V_ERR_INVALID_PURPOSE) and then accepts the
    // chain; where a case rests on such an error, the line it prints.
    const char* peerCrlPathError = nullptr;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
};

Scene plain(const World& w, std::vector<Bytes> crls) {
    crls.push_back(w.rootCrl());
    return {w.pki.commercial, {}, std::move(crls), {}};
}

// A user naming the point, and a CRL whose issuing point names `idp`.
Scene pointScene(const World& w, const std::string& points, const std::string& sections, const std::string& idp) {
    const Bytes crl =
        w.standardCrl({.extensions = "issuingDistributionPoint = critical, @idp\n", .sections = "[idp]\n" + idp});
    return {w.userWithPoints(points, sections), {}, {crl, w.rootCrl()}, {}};
}

constexpr char kPointUrl[] = "URI:http://127.0.0.1:9/standard-ca.crl";

// Complete CRL number 5 of the standard CA; it names a freshest CRL, as
// OpenSSL reads deltas only then.
Bytes baseCrl(const World& w, std::vector<crl_test::Revoked> revoked = {}) {
    return w.standardCrl({.revoked = std::move(revoked),
                          .number = 5,
                          .extensions = "freshestCRL = URI:http://127.0.0.1:9/delta.crl\n"});
}

Bytes deltaCrl(const World& w, std::vector<crl_test::Revoked> revoked, unsigned number, unsigned base) {
    return w.standardCrl({.revoked = std::move(revoked),
                          .number = number,
                          .extensions = "deltaCRL = critical, ASN1:INTEGER:" + std::to_string(base) + "\n"});
}

// The CA's key changed: a new certificate from the root and a self-issued
// one holding the old key, signed with the new. The user still has the old
// key's signature; CRLs come from the new key.
Scene rolloverScene(const World& w, bool revoked) {
    const Name name{{"CN", "Tesk Rollover CA"}};
    const Credential newKey = CertificateBuilder()
                                  .subject(name)
                                  .key(Key::rsa(2048, "rollover-new"))
                                  .issuedBy(w.pki.root)
                                  .basicConstraints({.ca = true})
                                  .keyUsage(testkit::pki::kKeyCertSign | testkit::pki::kCrlSign)
                                  .build();
    const Credential oldWithNew = CertificateBuilder()
                                      .subject(name)
                                      .key(Key::rsa(2048, "rollover-old"))
                                      .issuedBy(newKey)
                                      .basicConstraints({.ca = true})
                                      .keyUsage(testkit::pki::kKeyCertSign | testkit::pki::kCrlSign)
                                      .build();
    const Credential user =
        CertificateBuilder().subject(Name{{"CN", "Tesk Rollover User"}}).issuedBy(oldWithNew).build();
    CrlOrder order;
    if (revoked) order.revoked.push_back(w.revoked(user));
    return {user,
            {newKey.certificate, oldWithNew.certificate},
            {w.authority(newKey, "new").issue(order), w.rootCrl()},
            {}};
}

// The standard CA's CRLs signed by a certificate of its name from the root.
Scene separateSignerScene(const World& w, unsigned usage, bool userRevoked, bool signerRevoked) {
    const Credential signer = w.standardCaSigner(w.pki.root, usage, "standard-crl-signer");
    CrlOrder order;
    if (userRevoked) order.revoked.push_back(w.revoked(w.pki.commercial));
    std::vector<crl_test::Revoked> rootRevoked;
    if (signerRevoked) rootRevoked.push_back(w.revoked(signer));
    return {w.pki.commercial,
            {signer.certificate},
            {w.authority(signer, "signer").issue(order), w.rootCrl(rootRevoked)},
            {}};
}

// An indirect CRL of another issuer, named by the user's distribution
// point; the user's entry names the standard CA as the certificate's
// issuer, or nothing (then it is an entry of the CRL issuer's own).
Scene indirectScene(const World& w, bool entryNamesTheIssuer) {
    const Credential crlIssuer = CertificateBuilder()
                                     .subject(Name{{"CN", "Tesk CRL Issuer"}})
                                     .issuedBy(w.pki.root)
                                     .keyUsage(testkit::pki::kCrlSign)
                                     .build();
    const std::string url = "http://127.0.0.1:9/indirect.crl";
    const Bytes points = crl_test::extensionValue(
        "crlDistributionPoints", "dp",
        "[dp]\nfullname = URI:" + url + "\nCRLissuer = dirName:issuer\n[issuer]\nCN = Tesk CRL Issuer\n");
    const Credential user = CertificateBuilder()
                                .subject(Name{{"CN", "Tesk Indirect User"}})
                                .issuedBy(w.pki.standardCa)
                                .extension({"2.5.29.31", false, points})
                                .build();
    Bytes crl = w.authority(crlIssuer, "indirect")
                    .issue({.revoked = {w.revoked(user)},
                            .extensions = "issuingDistributionPoint = critical, @idp\n",
                            .sections = "[idp]\nfullname = URI:" + url + "\nindirectCRL = TRUE\n"});
    if (entryNamesTheIssuer)
        crl = crl_test::withEntryExtension(
            crl, crlIssuer.key, user.certificate.serial(),
            {"2.5.29.29", true, crl_test::subjectAsGeneralNames(w.pki.standardCa.certificate.der())});
    return {user, {crlIssuer.certificate}, {crl, w.rootCrl()}, {}};
}

const Case kCases[] = {
    {"UnknownCriticalCrlExtension",
     {Verdict::Unknown},
     [](const World& w) {
         return plain(w, {w.standardCrl({.extensions = "1.3.6.1.4.1.32473.9.1 = critical, ASN1:UTF8String:x\n"})});
     }},
    {"UnknownCriticalEntryExtension",
     {Verdict::Unknown},
     [](const World& w) {
         const Bytes other{0x7F, 0x01};
         const Bytes crl = w.standardCrl({.revoked = {{other, "superseded"}}});
         return plain(w, {crl_test::withEntryExtension(crl, w.pki.standardCa.key, other,
                                                       {"1.3.6.1.4.1.32473.9.2", true, {0x0C, 0x01, 'x'}})});
     }},
    {"RootCrlForUsersOnlyLeavesTheCaUnknown",
     {Verdict::Unknown, 1},
     [](const World& w) {
         const Bytes usersOnly = w.rootCa.issue(
             {.extensions = "issuingDistributionPoint = critical, @idp\n", .sections = "[idp]\nonlyuser = TRUE\n"});
         return Scene{w.pki.commercial, {}, {w.standardCrl(), usersOnly}, {}};
     }},
    {"IssuingPointNamesAnotherPoint",
     {Verdict::Unknown},
     [](const World& w) { return pointScene(w, kPointUrl, "", "fullname = URI:http://127.0.0.1:9/other.crl\n"); }},
    {"IssuingPointNamesTheCertificatesPoint",
     {Verdict::Good},
     [](const World& w) { return pointScene(w, kPointUrl, "", std::string("fullname = ") + kPointUrl + "\n"); }},
    {"IssuingPointNamesThePointRelativeToTheIssuer",
     {Verdict::Good},
     [](const World& w) {
         return pointScene(w, "dp",
                           "[dp]\nfullname = dirName:point\n"
                           "[point]\nC = SK\nO = Tesk\nCN = Tesk Standard CA\n1.CN = Segment 1\n",
                           "relativename = segment\n[segment]\nCN = Segment 1\n");
     }},
    {"CrlForSomeReasonsAlone",
     {Verdict::Unknown},
     [](const World& w) { return plain(w, {w.standardCrl({.extensions = kSomeReasons, .sections = kFirstReasons})}); }},
    {"CrlsForSomeReasonsTogetherCoverAll",
     {Verdict::Good},
     [](const World& w) {
         return plain(w, {w.standardCrl({.extensions = kSomeReasons, .sections = kFirstReasons}),
                          w.standardCrl({.extensions = kSomeReasons, .sections = kOtherReasons})});
     }},
    {"ListedOnACrlForSomeReasons",
     {Verdict::Revoked},
     [](const World& w) {
         return plain(w, {w.standardCrl({.revoked = {w.revoked(w.pki.commercial)},
                                         .extensions = kSomeReasons,
                                         .sections = kFirstReasons}),
                          w.standardCrl({.extensions = kSomeReasons, .sections = kOtherReasons})});
     }},
    {"ListedOnlyInTheOlderOfTwoCrls",
     {Verdict::Revoked},
     [](const World& w) {
         Scene s = plain(w, {w.standardCrl({.revoked = {w.revoked(w.pki.commercial)}, .number = 1, .age = 48h}),
                             w.standardCrl({.number = 2})});
         s.peerCrls = {0, 2};
         return s;
     }},
    {"RevokedInADelta",
     {Verdict::Revoked, 0, true},
     [](const World& w) { return plain(w, {baseCrl(w), deltaCrl(w, {w.revoked(w.pki.commercial)}, 6, 5)}); }},
    {"HoldReleasedByADelta",
     {Verdict::Good},
     [](const World& w) {
         return plain(w, {baseCrl(w, {w.revoked(w.pki.commercial, kHold)}),
                          deltaCrl(w, {w.revoked(w.pki.commercial, "removeFromCRL")}, 6, 5)});
     }},
    {"HeldWithoutADelta",
     {Verdict::Revoked},
     [](const World& w) { return plain(w, {baseCrl(w, {w.revoked(w.pki.commercial, kHold)})}); }},
    {"DeltaOnANewerBaseThanAtHandIsNotRead",
     {Verdict::Good},
     [](const World& w) { return plain(w, {baseCrl(w), deltaCrl(w, {w.revoked(w.pki.commercial)}, 7, 6)}); }},
    {"CrlOfTheCasNewKey", {Verdict::Good}, [](const World& w) { return rolloverScene(w, false); }},
    {"RevokedOnACrlOfTheCasNewKey", {Verdict::Revoked}, [](const World& w) { return rolloverScene(w, true); }},
    {"CrlOfASeparateSigner",
     {Verdict::Good},
     [](const World& w) { return separateSignerScene(w, testkit::pki::kCrlSign, false, false); }},
    {"RevokedOnACrlOfASeparateSigner",
     {Verdict::Revoked},
     [](const World& w) { return separateSignerScene(w, testkit::pki::kCrlSign, true, false); }},
    {"SeparateSignerWithoutCrlSigning",
     {Verdict::Unknown},
     [](const World& w) { return separateSignerScene(w, testkit::pki::kDigitalSignature, false, false); },
     "[CRL path] error 26 at 0 depth lookup: unsuitable certificate purpose"},
    {"RevokedSeparateSigner",
     {Verdict::Unknown},
     [](const World& w) { return separateSignerScene(w, testkit::pki::kCrlSign, false, true); }},
    {"SignerThatOnlyItsOwnCrlVouchesFor",
     {Verdict::Unknown},
     [](const World& w) {
         const Credential signer = w.standardCaSigner(w.pki.standardCa, testkit::pki::kCrlSign, "self-vouching");
         Scene s = plain(w, {w.authority(signer, "self").issue({})});
         s.certificates.push_back(signer.certificate);
         return s;
     }},
    {"IndirectCrlEntryForTheCertificatesIssuer",
     {Verdict::Revoked},
     [](const World& w) { return indirectScene(w, true); }},
    {"IndirectCrlEntryOfItsOwnIssuer", {Verdict::Good}, [](const World& w) { return indirectScene(w, false); }},
};

// Our verdict: the first certificate revoked, else the first of unknown status.
Expected verdictOf(const Chain& chain) {
    const std::vector<DWORD> errors = errorsOf(chain);
    for (DWORD i = 0; i < errors.size(); ++i)
        if (errors[i] & CERT_TRUST_IS_REVOKED) {
            const CERT_REVOCATION_INFO* info = elementOf(chain, i).pRevocationInfo;
            const bool inDelta = info && info->pCrlInfo && info->pCrlInfo->pCrlEntry && info->pCrlInfo->fDeltaCrlEntry;
            return {Verdict::Revoked, i, inDelta};
        }
    for (DWORD i = 0; i < errors.size(); ++i)
        if (errors[i] & CERT_TRUST_REVOCATION_STATUS_UNKNOWN) return {Verdict::Unknown, i};
    return {Verdict::Good};
}

// OpenSSL's verdict from its error lines ("error 23 at 0 depth lookup:
// certificate revoked"); lines of the CRL signers' paths start otherwise.
Expected peerVerdictOf(const testkit::RunResult& run) {
    if (run.exitCode == 0) return {Verdict::Good};
    std::istringstream lines(run.out + run.err);
    for (std::string line; std::getline(lines, line);) {
        int code = 0;
        unsigned depth = 0;
        if (std::sscanf(line.c_str(), "error %d at %u depth lookup", &code, &depth) == 2)
            return {code == 23 ? Verdict::Revoked : Verdict::Unknown, depth};
    }
    return {Verdict::Unknown, ~0u};
}

class CrlRules : public ::testing::TestWithParam<Case> {
protected:
    testkit::PlatformRoot root;
    Hierarchy pki = Hierarchy::make();
};

}  // namespace

TEST_P(CrlRules, DecideAsOpensslDoes) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    install(pki);
    const World world(root, pki);
    const Case& c = GetParam();
    const Scene scene = c.scene(world);
    for (const auto& cert : scene.certificates) addCertificate(u"CA", cert);
    const Store ca = store_test::systemStore(u"CA", CERT_SYSTEM_STORE_CURRENT_USER);
    for (const Bytes& crl : scene.crls)
        ASSERT_TRUE(CertAddEncodedCRLToStore(ca.get(), X509_ASN_ENCODING, crl.data(), static_cast<DWORD>(crl.size()),
                                             CERT_STORE_ADD_ALWAYS, nullptr));

    const Chain chain = chainOf(scene.subject, {.flags = CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT |
                                                         CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY});
    EXPECT_EQ(c.expected, verdictOf(chain));

    std::string untrusted = pki.standardCa.certificate.pem(), crls;
    for (const auto& cert : scene.certificates) untrusted += cert.pem();
    for (std::size_t i = 0; i < scene.crls.size(); ++i)
        if (scene.peerCrls.empty() || std::count(scene.peerCrls.begin(), scene.peerCrls.end(), i))
            crls += crl_test::crlPem(scene.crls[i]);
    const auto run = testkit::run({"openssl", "verify", "-crl_check_all", "-extended_crl", "-use_deltas", "-CAfile",
                                   root.write("peer/root.pem", pki.root.certificate.pem()).string(), "-untrusted",
                                   root.write("peer/untrusted.pem", untrusted).string(), "-CRLfile",
                                   root.write("peer/crls.pem", crls).string(),
                                   root.write("peer/subject.pem", scene.subject.certificate.pem()).string()});
    if (c.peerCrlPathError)
        EXPECT_NE(std::string::npos, (run.out + run.err).find(c.peerCrlPathError)) << run.out << run.err;
    else
        EXPECT_EQ((Expected{c.expected.verdict, c.expected.element}), peerVerdictOf(run)) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, CrlRules, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });
